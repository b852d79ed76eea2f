#include "qarvo/thread/critical_section.h"

#include "qarvo/platform/thread.h"

namespace qarvo {

void C_CriticalSection::Enter()
{
    m_mutex.lock();
    // Only the owner writes these two while it holds the mutex.
    m_owner.store(platform::currentThreadId(), std::memory_order_relaxed);
    m_count.fetch_add(1, std::memory_order_relaxed);
}

bool C_CriticalSection::TryEnter()
{
    if (!m_mutex.try_lock())
        return false;
    m_owner.store(platform::currentThreadId(), std::memory_order_relaxed);
    m_count.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void C_CriticalSection::Leave()
{
    if (!IsLockedByCurrentThread())
        return;
    if (m_count.fetch_sub(1, std::memory_order_relaxed) == 1)
        m_owner.store(kNoOwner, std::memory_order_relaxed);
    m_mutex.unlock();
}

bool C_CriticalSection::IsLockedByCurrentThread() const
{
    // Only this thread could have stored its own id, so a relaxed read cannot give a false yes.
    return m_owner.load(std::memory_order_relaxed) == platform::currentThreadId();
}

}  // namespace qarvo
