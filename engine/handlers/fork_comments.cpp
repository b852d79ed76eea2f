#include "engine/handlers/fork_comments.h"

#include <algorithm>
#include <functional>

#include "engine/parse/chat_item.h"

namespace pelmora::engine {
namespace {

bool newerFirst(const PendingComment& a, const PendingComment& b)
{
    return a.no > b.no;
}

}  // namespace

bool ForkComments::Contains(int32_t no) const
{
    PendingComment probe;
    probe.no = no;
    return std::binary_search(m_items.begin(), m_items.end(), probe, newerFirst);
}

size_t ForkComments::Merge(std::vector<PendingComment>& page)
{
    std::sort(page.begin(), page.end(), newerFirst);
    const size_t before = m_items.size();
    const auto oldEnd = static_cast<std::ptrdiff_t>(before);
    for (size_t i = 0; i < page.size(); ++i) {
        const PendingComment& c = page[i];
        if ((i > 0 && page[i - 1].no == c.no) ||
            std::binary_search(m_items.begin(), m_items.begin() + oldEnd, c, newerFirst))
            continue;
        if (m_items.empty()) {
            m_oldest = m_newest = c.date;
        } else {
            m_oldest = std::min(m_oldest, c.date);
            m_newest = std::max(m_newest, c.date);
        }
        m_items.push_back(c);
    }
    if (m_items.size() == before)
        return 0;
    // An older page adds behind everything held; only where it overlaps the held numbers do
    // the two runs need merging, and only that stretch is touched.
    const auto added = m_items.begin() + oldEnd;
    const auto from = std::upper_bound(m_items.begin(), added, *added, newerFirst);
    std::inplace_merge(from, added, m_items.end(), newerFirst);
    return m_items.size() - before;
}

bool ForkComments::Contiguous() const
{
    if (m_items.empty())
        return true;
    return static_cast<int64_t>(m_items.front().no) - m_items.back().no + 1 == static_cast<int64_t>(m_items.size());
}

size_t ForkComments::NewestRun(int32_t maxGap) const
{
    size_t run = m_items.empty() ? 0 : 1;
    while (run < m_items.size() &&
           static_cast<int64_t>(m_items[run - 1].no) - m_items[run].no <= static_cast<int64_t>(maxGap) + 1)
        ++run;
    return run;
}

void ForkComments::AppendTo(ChatList& chats, const pelmora_wchar* thread, int64_t limit) const
{
    const size_t take =
        limit < 0 || static_cast<uint64_t>(limit) >= m_items.size() ? m_items.size() : static_cast<size_t>(limit);
    // The newest `take` are the first ones held; they go out oldest first.
    for (size_t i = take; i-- > 0;) {
        const PendingComment& c = m_items[i];
        ChatItem item;
        item.anonymity = c.anonymous ? 1 : 0;
        item.mail184 = c.anonymous ? 184 : 0;
        item.date = c.date;
        item.no = c.no;
        item.vpos = c.vpos;
        item.premium = c.premium ? 1 : 0;
        item.deleted = 0;
        item.thread = thread;
        item.userId = ChatItem::boundaryText(c.userId);
        item.text = ChatItem::boundaryText(c.text);
        item.mail = ChatItem::boundaryText(c.mail);
        chats.AddTail(item);
    }
}

}  // namespace pelmora::engine
