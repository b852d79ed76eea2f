#pragma once
// The comments of one thread fork as they come in, page by page and newest first, before they
// are delivered: merged by comment number so that pages overlapping at their edges (several
// comments share a second) add nothing twice, and handed out in ascending order of number.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/parse/chat_list.h"

namespace pelmora::engine {

// A comment waiting for delivery: the fields of a ChatEntry except its thread, which the
// whole fork shares. The strings live in the job's TextPool.
struct PendingComment {
    int64_t date = 0;
    int32_t no = 0;
    int32_t vpos = 0;
    const char16_t* userId = u"";
    const char16_t* text = u"";
    const char16_t* mail = u"";
    bool premium = false;
    bool anonymous = false;  // "184" in the mail
};

class ForkComments {
public:
    bool Contains(int32_t no) const;
    // Adds the comments of `page` (any order; it is sorted in place) whose numbers are not
    // held yet; the number added. A number twice in one page counts once.
    size_t Merge(std::vector<PendingComment>& page);

    size_t Count() const { return m_items.size(); }
    // True when the numbers held have no gap (the newest comments of a thread, not a sample).
    bool Contiguous() const;
    // How many of the newest comments follow one another with gaps of at most `maxGap`
    // numbers (deleted comments leave small gaps; older comments mixed into an answer sit
    // far behind).
    size_t NewestRun(int32_t maxGap) const;
    int32_t HighestNo() const { return m_items.empty() ? 0 : m_items.front().no; }
    // The earliest and latest date held (0 when empty).
    int64_t OldestDate() const { return m_oldest; }
    int64_t NewestDate() const { return m_newest; }

    // Appends the newest `limit` comments (every one when negative) to `chats` in ascending
    // order of number, each naming `thread`.
    void AppendTo(ChatList& chats, const pelmora_wchar* thread, int64_t limit) const;

private:
    // Descending by number: pages come newest first, so each adds at the end.
    std::vector<PendingComment> m_items;
    int64_t m_oldest = 0;
    int64_t m_newest = 0;
};

}  // namespace pelmora::engine
