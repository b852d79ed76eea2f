#pragma once
// The hand-over buffer of reader-stream mode: the worker appends body bytes as they arrive,
// the owner takes them out with a wait. The buffer and its positions are only touched under
// the lock; the event wakes the reader after each delivery and at the end.
//
// The unread bytes are capped, like the body of whole-body mode: a worker that finds the
// buffer full waits until the reader has taken some (back-pressure), so that a small encoded
// answer that inflates without end, or a reader that lags, cannot make it grow without limit.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "qarvo/text/memory.h"
#include "qarvo/thread/critical_section.h"
#include "qarvo/thread/event.h"

namespace qarvo::http {

class StreamBuffer {
public:
    StreamBuffer() = default;
    StreamBuffer(const StreamBuffer&) = delete;
    StreamBuffer& operator=(const StreamBuffer&) = delete;

    // Empties the buffer, clears the positions and flags, resets the event; at most `cap`
    // bytes wait unread from now on.
    void Begin(size_t cap);
    // Appends all of `data`, waiting while the buffer is full. False when `stop` said so
    // during a wait (the bytes not yet taken in are dropped then).
    bool Deliver(const char* data, size_t size, const std::function<bool()>& stop);
    // The worker's direct path, so that a plain body goes from the socket straight into this
    // buffer: room for up to `max` bytes after the delivered ones, waiting while the buffer is
    // full; null when `stop` said so during a wait. *room receives how many bytes may be written
    // there. Nothing else is delivered until EndWrite says how many were written.
    char* BeginWrite(size_t max, size_t* room, const std::function<bool()>& stop);
    void EndWrite(size_t written);
    // No more bytes will come.
    void Finish();
    // Frees the storage.
    void Release();

    // Copies up to `max` bytes into `out` (grown to `max` when smaller), waiting for more while
    // fewer were copied and the stream is not finished: without limit for a negative
    // `timeOutMs`, else until that long after the call. The count copied; when none: 0 if the
    // stream is finished, else -1.
    int Read(C_Memory* out, int max, int timeOutMs);

    int64_t GetTotal() const;
    bool IsFinished() const;
    // Bytes delivered but not read yet.
    size_t GetWaiting() const;

private:
    // Under the lock: copies what is waiting (up to `room`) to `dest`.
    size_t takeLocked(unsigned char* dest, size_t room);
    // Under the lock: appends `size` bytes, which fit under the cap.
    void appendLocked(const char* data, size_t size);
    // Under the lock: room for `size` more bytes after the delivered ones (moving or growing).
    void makeRoomLocked(size_t size);
    // Under the lock: wakes the reader when enough waits for it.
    void wakeReaderLocked();

    // How long a worker waiting for room sleeps before it looks at its stop test again.
    static constexpr int kRoomWaitMs = 10;

    mutable C_CriticalSection m_cs;
    C_Event m_event;
    C_Event m_room;  // set when the reader has taken bytes out
    std::unique_ptr<char[]> m_data;
    size_t m_capacity = 0;
    size_t m_read = 0;   // next byte to hand out
    size_t m_write = 0;  // end of the delivered bytes
    bool m_finished = false;
    bool m_writing = false;  // between BeginWrite and EndWrite: the positions must not move
    int64_t m_total = 0;
    size_t m_cap = SIZE_MAX;
    // How many bytes the waiting reader still wants (0: nobody waits). A delivery wakes it
    // only once that many are waiting, since it would go back to sleep for fewer anyway;
    // this keeps a fast download from costing one thread switch per read.
    size_t m_wanted = 0;
};

}  // namespace qarvo::http
