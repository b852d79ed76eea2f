#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/handlers/comment_mapping.h"
#include "engine/handlers/fork_comments.h"
#include "engine/service/json_value.h"
#include "engine/service/nvcomment_data.h"
#include "qarvo/escape/markup.h"

namespace pelmora::engine {
namespace {

std::vector<PendingComment> page(std::initializer_list<int> numbers)
{
    std::vector<PendingComment> out;
    for (const int no : numbers) {
        PendingComment c;
        c.no = no;
        c.date = 1000 + no / 3;  // three comments a second
        out.push_back(c);
    }
    return out;
}

std::vector<int> delivered(const ForkComments& fork, int64_t limit)
{
    ChatList chats;
    fork.AppendTo(chats, ChatItem::boundaryText(u"t"), limit);
    std::vector<int> numbers;
    for (const ChatItem& item : chats)
        numbers.push_back(item.no);
    return numbers;
}

TEST(ForkComments, OverlappingPagesAddEachNumberOnce)
{
    ForkComments fork;
    auto newest = page({10, 9, 8, 7, 6});
    EXPECT_EQ(fork.Merge(newest), 5u);
    // The next page repeats the second it started in (6, 7, 8), and once a number twice.
    auto older = page({8, 7, 6, 5, 4, 4, 3});
    EXPECT_EQ(fork.Merge(older), 3u);
    auto nothingNew = page({5, 4});
    EXPECT_EQ(fork.Merge(nothingNew), 0u);
    EXPECT_TRUE(fork.Contiguous());
    EXPECT_EQ(fork.HighestNo(), 10);
    EXPECT_EQ(fork.OldestDate(), 1001);
    EXPECT_EQ(delivered(fork, -1), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(delivered(fork, 3), (std::vector<int>{8, 9, 10}));

    // A page out of order, overlapping the middle: merged in place.
    auto middle = page({12, 11, 2, 1});
    EXPECT_EQ(fork.Merge(middle), 4u);
    EXPECT_EQ(delivered(fork, -1), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));

    // Older comments mixed into an answer stand apart from the newest run.
    ForkComments sampled;
    auto mixed = page({500, 499, 498, 496, 300, 100});
    sampled.Merge(mixed);
    EXPECT_FALSE(sampled.Contiguous());
    EXPECT_EQ(sampled.NewestRun(32), 4u);
}

TEST(CommentMapping, EveryFieldAsTheOldPathDeliversIt)
{
    // An answer written by hand: the body holds markup and a character reference of its own.
    const std::string answer =
        R"({"meta":{"status":200},"data":{"threads":[{"id":"1","fork":"main","comments":[)"
        R"({"no":42,"vposMs":123459,"body":"<b>&amp; \"q\" 'a'\n改行","commands":["184","shita","red"],)"
        R"("userId":"hashed_27_characters_xxxxxx","isPremium":true,"postedAt":"2024-08-05T21:03:11+09:00"},)"
        R"({"no":43,"vposMs":9,"body":"","commands":[],"userId":"1729","isPremium":false,)"
        R"("postedAt":"2024-08-05T12:03:12Z"}]}]}})";
    json::Document document(1 << 20);
    nvcomment::ThreadsAnswer parsed;
    std::string error;
    ASSERT_TRUE(nvcomment::parseThreadsAnswer(document, answer, parsed, error)) << error;

    TextPool pool;
    CommentMapping mapping(pool);
    std::vector<PendingComment> pending;
    for (const nvcomment::AnswerComment& c : parsed.threads[0].comments)
        pending.push_back(mapping.Map(c));
    ForkComments fork;
    fork.Merge(pending);
    ChatList chats;
    fork.AppendTo(chats, ChatItem::boundaryText(u"1:owner"), -1);
    ASSERT_EQ(chats.GetCount(), 2);

    const ChatItem& a = chats.GetHead();
    EXPECT_EQ(textOf(a.thread), u"1:owner");
    EXPECT_EQ(a.no, 42);
    EXPECT_EQ(a.vpos, 12345);          // milliseconds / 10, cut
    EXPECT_EQ(a.date, 1722859391);     // Python: datetime.fromisoformat(...).timestamp()
    EXPECT_EQ(textOf(a.mail), u"184 shita red");
    EXPECT_EQ(a.mail184, 184);
    EXPECT_EQ(a.anonymity, 1);
    EXPECT_EQ(textOf(a.userId), u"hashed_27_characters_xxxxxx");
    EXPECT_EQ(a.premium, 1);
    EXPECT_EQ(a.deleted, 0);
    // Escaped as the comment servers sent bodies; the viewer's decoding gives the body back.
    EXPECT_EQ(textOf(a.text), u"&lt;b&gt;&amp;amp; &quot;q&quot; 'a'\n改行");
    EXPECT_EQ(qarvo::common::System::_htmlspecialchars_decode(qarvo::C_WString(std::u16string(textOf(a.text)))).std(),
              u"<b>&amp; \"q\" 'a'\n改行");

    const ChatItem& b = chats.GetTail();
    EXPECT_EQ(b.date, 1722859392);
    EXPECT_EQ(textOf(b.mail), u"");
    EXPECT_EQ(b.mail184, 0);
    EXPECT_EQ(b.anonymity, 0);
    EXPECT_EQ(b.premium, 0);
    EXPECT_EQ(textOf(b.text), u"");
}

}  // namespace
}  // namespace pelmora::engine
