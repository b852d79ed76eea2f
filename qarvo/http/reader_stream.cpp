#include "qarvo/http/reader_stream.h"

#include <cstdint>
#include <cstring>

#include "qarvo/time/clock.h"

namespace qarvo::http {

void StreamBuffer::Begin(size_t cap)
{
    C_CriticalLock lock(m_cs);
    m_read = m_write = 0;
    m_finished = false;
    m_total = 0;
    m_wanted = 0;
    m_cap = cap > 0 ? cap : 1;
    m_event.ResetEvent();
}

void StreamBuffer::makeRoomLocked(size_t size)
{
    if (m_capacity - m_write < size) {
        const size_t waiting = m_write - m_read;
        // Moving the unread bytes down is worth it only when that frees at least as much as it
        // copies, which keeps the cost per byte constant however the reader lags.
        if (m_read >= waiting && m_capacity - waiting >= size) {
            std::memmove(m_data.get(), m_data.get() + m_read, waiting);
        } else {
            size_t grown = m_capacity < 64 * 1024 ? 64 * 1024 : m_capacity * 2;
            while (grown - waiting < size)
                grown *= 2;
            auto block = std::make_unique_for_overwrite<char[]>(grown);
            if (waiting > 0)
                std::memcpy(block.get(), m_data.get() + m_read, waiting);
            m_data = std::move(block);
            m_capacity = grown;
        }
        m_read = 0;
        m_write = waiting;
    }
}

void StreamBuffer::appendLocked(const char* data, size_t size)
{
    makeRoomLocked(size);
    std::memcpy(m_data.get() + m_write, data, size);
    m_write += size;
    m_total += static_cast<int64_t>(size);
}

void StreamBuffer::wakeReaderLocked()
{
    // A reader that wants more than the cap can ever hold is woken by a full buffer.
    const size_t wake = m_wanted < m_cap ? m_wanted : m_cap;
    if (m_write - m_read >= wake)
        m_event.SetEvent();
}

char* StreamBuffer::BeginWrite(size_t max, size_t* room, const std::function<bool()>& stop)
{
    for (;;) {
        {
            C_CriticalLock lock(m_cs);
            const size_t waiting = m_write - m_read;
            const size_t free = m_cap > waiting ? m_cap - waiting : 0;
            if (free > 0) {
                const size_t n = free < max ? free : max;
                makeRoomLocked(n);
                m_writing = true;
                *room = n;
                return m_data.get() + m_write;
            }
            m_room.ResetEvent();
            m_event.SetEvent();
        }
        if (stop && stop())
            return nullptr;
        m_room.Wait(kRoomWaitMs);
    }
}

void StreamBuffer::EndWrite(size_t written)
{
    C_CriticalLock lock(m_cs);
    m_writing = false;
    m_write += written;
    m_total += static_cast<int64_t>(written);
    if (written > 0)
        wakeReaderLocked();
}

bool StreamBuffer::Deliver(const char* data, size_t size, const std::function<bool()>& stop)
{
    if (!data)
        return true;
    while (size > 0) {
        {
            C_CriticalLock lock(m_cs);
            const size_t waiting = m_write - m_read;
            const size_t room = m_cap > waiting ? m_cap - waiting : 0;
            if (room > 0) {
                const size_t n = room < size ? room : size;
                appendLocked(data, n);
                data += n;
                size -= n;
                wakeReaderLocked();
                continue;
            }
            m_room.ResetEvent();
            m_event.SetEvent();
        }
        if (stop && stop())
            return false;
        m_room.Wait(kRoomWaitMs);
    }
    return true;
}

void StreamBuffer::Finish()
{
    C_CriticalLock lock(m_cs);
    m_finished = true;
    m_event.SetEvent();
}

void StreamBuffer::Release()
{
    C_CriticalLock lock(m_cs);
    m_data.reset();
    m_capacity = m_read = m_write = 0;
}

size_t StreamBuffer::takeLocked(unsigned char* dest, size_t room)
{
    const size_t waiting = m_write - m_read;
    const size_t n = waiting < room ? waiting : room;
    if (n > 0) {
        std::memcpy(dest, m_data.get() + m_read, n);
        m_read += n;
        m_room.SetEvent();
    }
    if (m_read == m_write) {
        // While the worker writes after m_write, the positions stay where they are.
        if (!m_writing)
            m_read = m_write = 0;
        if (!m_finished)
            m_event.ResetEvent();
    }
    return n;
}

int StreamBuffer::Read(C_Memory* out, int max, int timeOutMs)
{
    if (!out || max <= 0)
        return -1;
    if (out->GetSize() < max && !out->ReCreateBuffer(max))
        return -1;
    unsigned char* dest = out->GetMemory();
    const uint32_t start = qarvo_time_millis();
    size_t copied;
    bool finished;
    {
        C_CriticalLock lock(m_cs);
        copied = takeLocked(dest, static_cast<size_t>(max));
        finished = m_finished;
    }
    while (copied < static_cast<size_t>(max) && !finished) {
        int wait = -1;
        if (timeOutMs >= 0) {
            const uint32_t used = qarvo_time_millis() - start;
            if (used >= static_cast<uint32_t>(timeOutMs))
                break;
            wait = timeOutMs - static_cast<int>(used);
        }
        {
            C_CriticalLock lock(m_cs);
            m_wanted = static_cast<size_t>(max) - copied;
        }
        const int waited = m_event.Wait(wait);
        C_CriticalLock lock(m_cs);
        m_wanted = 0;
        if (waited != C_Event::Signalled) {
            // What came meanwhile, short of the wanted amount, is still the caller's.
            copied += takeLocked(dest + copied, static_cast<size_t>(max) - copied);
            break;
        }
        const size_t more = takeLocked(dest + copied, static_cast<size_t>(max) - copied);
        finished = m_finished;
        if (more == 0 && !finished)
            break;
        copied += more;
    }
    if (copied > 0)
        return static_cast<int>(copied);
    C_CriticalLock lock(m_cs);
    return m_finished && m_read == m_write ? 0 : -1;
}

int64_t StreamBuffer::GetTotal() const
{
    C_CriticalLock lock(m_cs);
    return m_total;
}

bool StreamBuffer::IsFinished() const
{
    C_CriticalLock lock(m_cs);
    return m_finished;
}

size_t StreamBuffer::GetWaiting() const
{
    C_CriticalLock lock(m_cs);
    return m_write - m_read;
}

}  // namespace qarvo::http
