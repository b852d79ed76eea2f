#pragma once
// The pages' tag requests, served one at a time on a thread of their own: a request may wait
// for three answers of 8 s each, and meanwhile the worker thread's timers, delayed messages
// and status clearing must keep their 100 ms pace.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "viewer/core/app/app_queues.h"

namespace pelmora::viewer {

class C_TagRequests {
public:
    using Work = std::function<void(const ExecMessage&)>;

    explicit C_TagRequests(Work work);
    // Stops the thread before the work it calls goes.
    ~C_TagRequests();
    C_TagRequests(const C_TagRequests&) = delete;
    C_TagRequests& operator=(const C_TagRequests&) = delete;

    // Queues a request (the thread starts with the first). Any thread.
    void Push(const ExecMessage& message);
    // Drops the waiting requests and waits for the running one, which must see its own end
    // (the application's closing flag aborts its exchange). Later pushes are ignored.
    void Stop();
    // Requests waiting or running.
    int Pending();

private:
    void run();

    Work m_work;
    std::mutex m_lock;  // guards the fields below
    std::condition_variable m_changed;
    std::deque<ExecMessage> m_waiting;
    bool m_running = false;
    bool m_stopped = false;
    std::thread m_thread;
};

}  // namespace pelmora::viewer
