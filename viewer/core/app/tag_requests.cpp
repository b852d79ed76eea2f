#include "viewer/core/app/tag_requests.h"

namespace pelmora::viewer {

C_TagRequests::C_TagRequests(Work work) : m_work(std::move(work)) {}

C_TagRequests::~C_TagRequests()
{
    Stop();
}

void C_TagRequests::Push(const ExecMessage& message)
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_stopped)
        return;
    m_waiting.push_back(message);
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    m_changed.notify_one();
}

void C_TagRequests::Stop()
{
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stopped = true;
        m_waiting.clear();
        thread = std::move(m_thread);
        m_changed.notify_all();
    }
    if (thread.joinable())
        thread.join();
}

int C_TagRequests::Pending()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<int>(m_waiting.size()) + (m_running ? 1 : 0);
}

void C_TagRequests::run()
{
    std::unique_lock<std::mutex> lock(m_lock);
    while (true) {
        m_changed.wait(lock, [this] { return m_stopped || !m_waiting.empty(); });
        if (m_stopped)
            return;
        const ExecMessage message = m_waiting.front();
        m_waiting.pop_front();
        m_running = true;
        lock.unlock();
        m_work(message);
        lock.lock();
        m_running = false;
    }
}

}  // namespace pelmora::viewer
