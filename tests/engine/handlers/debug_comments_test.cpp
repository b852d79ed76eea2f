#include <gtest/gtest.h>

#include <atomic>

#include "engine/handlers/debug_comments.h"
#include "engine/handlers/video_handler.h"
#include "engine/job/request_words.h"
#include "engine/pelmora2.h"

using namespace pelmora::engine;

TEST(DebugComments, MadeUpCommentsFollowTheCounter)
{
    ParseContext context;
    auto words = splitRequest(qarvo::C_WString(u"http://www.nicovideo.jp/watch/sm9 100 dumy_debug 0"));
    const int g = debugCommentCounter();
    ASSERT_EQ(handleVideo("http://www.nicovideo.jp/watch/sm9", words, context), 0);
    EXPECT_EQ(debugCommentCounter(), g + 2);
    ASSERT_EQ(context.chats.GetCount(), kDebugCommentCount);
    int k = 0;
    static const char16_t* const phrases[] = {u"ちょｗｗｗｗ", u"おまｗｗ", u"すげぇええええええ",
                                              u"ｷﾀｰ", u"まってました", u"こんにちｗｗｗ",
                                              u"くずｗ", u"これってなんだろう・・・", u"あちゃー"};
    for (const ChatItem& c : context.chats) {
        EXPECT_EQ(c.no, k + g + 1000);
        EXPECT_EQ(textOf(c.text), phrases[(g + k) % 9]);
        EXPECT_EQ(textOf(c.userId), u"userid_" + std::u16string(std::u16string_view(
                                                     qarvo::C_WString::Stringf(u"%d", 10 * k).c_str())));
        EXPECT_EQ(textOf(c.mail), u"184");
        EXPECT_EQ(c.mail184, 184);
        EXPECT_EQ(c.anonymity, 1);
        EXPECT_EQ(c.vpos, 1900);
        EXPECT_EQ(textOf(c.thread), u"thread");
        EXPECT_GT(c.date, 1600000000);
        ++k;
    }
    EXPECT_EQ(context.title, qarvo::C_String("\xE3\x82\xA2\xE3\x83\x9E\xE3\x82\xBE\xE3\x83\xB3" "2"));
}

TEST(DebugComments, CodeWordAndStop)
{
    ParseContext context;
    auto words = splitRequest(qarvo::C_WString(u"x 1 dumy_debug 9"));
    EXPECT_EQ(handleVideo("x", words, context), 9);

    // Stopped during the delay: 7, and the counter does not move.
    std::atomic<int> stop{1};
    ParseContext stopped;
    stopped.stopFlag = &stop;
    auto slow = splitRequest(qarvo::C_WString(u"x 1 dumy_debug 0 600000"));
    const int g = debugCommentCounter();
    EXPECT_EQ(handleVideo("x", slow, stopped), PELMORA_RESULT_STOPPED);
    EXPECT_EQ(debugCommentCounter(), g);
    EXPECT_TRUE(stopped.title.IsEmpty());
}
