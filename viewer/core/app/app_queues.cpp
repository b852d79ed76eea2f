#include "viewer/core/app/app_queues.h"

#include "viewer/ui/window.h"

namespace pelmora::viewer {

void ExecQueue::Push(const ExecMessage& message)
{
    auto item = qarvo::common::MakePointer<ExecMessage>(message);
    qarvo::C_CriticalLock lock(m_lock);
    m_items.push_back(item);
}

std::optional<qarvo::common::Pointer<ExecMessage>> ExecQueue::Pop()
{
    qarvo::C_CriticalLock lock(m_lock);
    if (m_items.empty())
        return std::nullopt;
    auto item = m_items.front();
    m_items.pop_front();
    return item;
}

bool ExecQueue::IsEmpty()
{
    qarvo::C_CriticalLock lock(m_lock);
    return m_items.empty();
}

int ExecQueue::Count()
{
    qarvo::C_CriticalLock lock(m_lock);
    return static_cast<int>(m_items.size());
}

void DelayedMessages::Add(const DelayMessage& message)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_items.push_back(message);
}

void DelayedMessages::PostDue(uint32_t now)
{
    std::lock_guard<std::mutex> lock(m_lock);
    for (auto it = m_items.begin(); it != m_items.end();) {
        // Unsigned difference: the tick wraps after 49 days.
        if (now - it->enqueued > it->delay) {
            qarvo::ui::PostMessage(it->window, it->message, it->wParam, it->lParam);
            it = m_items.erase(it);
        } else {
            ++it;
        }
    }
}

int DelayedMessages::Count()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<int>(m_items.size());
}

LParam PendingAddresses::Add(const C_WString& address, WindowHandle page)
{
    std::lock_guard<std::mutex> lock(m_lock);
    const LParam key = m_next++;
    m_items[key] = address;
    if (page)
        m_pages[key] = page;
    return key;
}

WindowHandle PendingAddresses::PageOf(LParam key)
{
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_pages.find(key);
    return it == m_pages.end() ? 0 : it->second;
}

std::optional<C_WString> PendingAddresses::Find(LParam key)
{
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_items.find(key);
    if (it == m_items.end())
        return std::nullopt;
    return it->second;
}

void PendingAddresses::Remove(LParam key)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_items.erase(key);
    m_pages.erase(key);
}

int PendingAddresses::Count()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return static_cast<int>(m_items.size());
}

}  // namespace pelmora::viewer
