#include "qarvo/thread/event.h"

#include <chrono>

namespace qarvo {

void C_Event::SetEvent()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
    }
    m_cond.notify_all();
}

void C_Event::ResetEvent()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = false;
}

int C_Event::Wait(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (ms < 0) {
        m_cond.wait(lock, [this] { return m_signalled; });
        return Signalled;
    }
    // steady_clock: a change of the wall clock must not stretch or cut a wait.
    const bool ok = m_cond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_signalled; });
    return ok ? Signalled : TimedOut;
}

bool C_Event::IsSignalled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signalled;
}

}  // namespace qarvo
