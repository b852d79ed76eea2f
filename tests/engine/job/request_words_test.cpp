#include <gtest/gtest.h>

#include "engine/job/request_words.h"

using namespace pelmora::engine;
using qarvo::C_WString;

TEST(RequestWords, IdeographicSpaceAndRunsOfSpacesSeparateWords)
{
    const auto words = splitRequest(C_WString(u"http://www.nicovideo.jp/watch/sm9\u3000100  ori2"));
    ASSERT_EQ(words.Length(), 3);
    EXPECT_EQ(words[0], u"http://www.nicovideo.jp/watch/sm9");
    EXPECT_EQ(words[1], u"100");
    EXPECT_EQ(words[2], u"ori2");

    const auto mixed = splitRequest(C_WString(u"a \u3000\u3000 b\u3000"));
    ASSERT_EQ(mixed.Length(), 2);
    EXPECT_EQ(mixed[1], u"b");
    EXPECT_EQ(splitRequest(C_WString()).Length(), 0);
}

TEST(RequestWords, CountAndMode)
{
    EXPECT_EQ(requestedCount(splitRequest(C_WString(u"x 500 ori2"))), 500);
    EXPECT_EQ(requestedCount(splitRequest(C_WString(u"x"))), 0);  // absent, not -1
    EXPECT_EQ(requestedCount(splitRequest(C_WString(u"x abc"))), 0);
    const auto words = splitRequest(C_WString(u"x 1 xml_ori2"));
    EXPECT_TRUE(modeHas(words, u"xml"));
    EXPECT_FALSE(modeHas(words, u"cache"));
    EXPECT_FALSE(modeHas(splitRequest(C_WString(u"x")), u"xml"));
}

TEST(RequestWords, SetWordGrowsAShortRequest)
{
    auto words = splitRequest(C_WString(u"http://live.nicovideo.jp/watch/lv1"));
    setWord(words, kCountWord, C_WString(u"2"));
    ASSERT_EQ(words.Length(), 2);
    EXPECT_EQ(words[1], u"2");
    setWord(words, kAddressWord, C_WString(u"y"));
    EXPECT_EQ(words[0], u"y");
    EXPECT_EQ(words.Length(), 2);
}
