#pragma once
// A manual-reset event, created unsignalled: once set, every waiter is released until someone
// resets it.

#include <condition_variable>
#include <mutex>

namespace qarvo {

class C_Event {
public:
    enum WaitResult { Signalled = 0, TimedOut = 1, Failed = 2 };

    C_Event() = default;
    C_Event(const C_Event&) = delete;
    C_Event& operator=(const C_Event&) = delete;

    void SetEvent();
    void ResetEvent();
    // 0 signalled, 1 time-out, 2 failure. ms < 0 waits without limit; 0 only looks.
    int Wait(int ms);
    bool IsSignalled() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_signalled = false;
};

}  // namespace qarvo
