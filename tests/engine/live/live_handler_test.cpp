#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/handlers/live_handler.h"
#include "engine/handlers/video_handler.h"
#include "engine/job/request_words.h"
#include "engine/parse/chat_item.h"
#include "engine/parse/parse_context.h"
#include "qarvo/charcode/system_charcode.h"
#include "tests/engine/sim_support/sim_env.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;
using pelmora::test::SimEnvTest;

class LiveHandler : public SimEnvTest {
protected:
    void SetUp() override
    {
        SimEnvTest::SetUp();
        installLoginCookieFolder();
    }
    void TearDown() override
    {
        closeLiveConnection(context);
        SimEnvTest::TearDown();
    }

    // One update cycle, the way the live loop runs it.
    int cycle(const std::string& request)
    {
        words = splitRequest(System::utf8_to_utf16(qarvo::C_String(request)));
        const qarvo::C_String address = words.GetString(kAddressWord).ToString();
        context.stopFlag = &stop;
        context.clearChats();
        return handleVideo(address.c_str(), words, context);
    }

    std::vector<int> numbers() const
    {
        std::vector<int> result;
        for (const ChatItem& item : context.chats)
            result.push_back(item.no);
        return result;
    }

    static std::vector<int> range(int first, int last)
    {
        std::vector<int> result;
        for (int n = first; n <= last; ++n)
            result.push_back(n);
        return result;
    }

    std::atomic<int> stop{0};
    qarvo::C_WArrayString words;
    ParseContext context;
};

TEST_F(LiveHandler, UpdatesBringExactlyTheChatsPushedMeanwhile)
{
    const int before = sim->liveChatCount("lv1");
    ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1 10 ori2"), 0);
    EXPECT_EQ(numbers(), range(before - 9, before));
    EXPECT_NE(sim->lastRequest(nicosim::Step::Live)->target.find("res_from=\"-10\""), std::string::npos);
    // "ニコ生(lv1)".
    EXPECT_EQ(context.title.std(), "\xe3\x83\x8b\xe3\x82\xb3\xe7\x94\x9f(lv1)");

    // Three new chats: the third closing tag ends the read and all three arrive.
    ASSERT_TRUE(sim->pushChats("lv1", 3));
    ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1 2 ori2"), 0);
    EXPECT_EQ(numbers(), range(before + 1, before + 3));

    // A single new chat, then silence: it is delivered, not held back as "the last one".
    ASSERT_TRUE(sim->pushChats("lv1", 1));
    ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1 2 ori2"), 0);
    EXPECT_EQ(numbers(), range(before + 4, before + 4));

    ASSERT_TRUE(sim->pushChats("lv1", 6));
    ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1 2 ori2"), 0);
    std::vector<int> got = numbers();
    if (static_cast<int>(got.size()) < 6) {
        // The read may stop after three closing tags; the rest comes with the next cycle.
        ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1 2 ori2"), 0);
        for (int n : numbers())
            got.push_back(n);
    }
    EXPECT_EQ(got, range(before + 5, before + 10));
    EXPECT_EQ(sim->requestCount(nicosim::Step::Live), 1);  // one connection throughout
}

TEST_F(LiveHandler, JikkyoChannelTakesTheSameSteps)
{
    const int before = sim->liveChatCount("jk1");
    ASSERT_EQ(cycle("http://jk.nicovideo.jp/watch/jk1 5 ori2"), 0);
    EXPECT_EQ(numbers(), range(before - 4, before));
    // The player status is asked of the live site for the Jikkyo id.
    EXPECT_NE(sim->lastRequest(nicosim::Step::Status)->target.find("jk1"), std::string::npos);
    EXPECT_EQ(sim->lastRequest(nicosim::Step::Status)->host, "live.nicovideo.jp");
}

TEST_F(LiveHandler, EndedBroadcastAndMissingPage)
{
    EXPECT_EQ(cycle("http://live.nicovideo.jp/watch/lv2 10 ori2"), 9);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Live), 0);
    EXPECT_EQ(cycle("http://live.nicovideo.jp/watch/lv1~watch.notfound 10 ori2"), 8);
}

TEST_F(LiveHandler, ServerThatClosesAfterEachAnswerIsFollowed)
{
    // The comment server answers and closes, every time.
    ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1~close 10 xml_ori2"), 0);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Live), 2);
    // The second connection's answer repeats the first one's: nothing is delivered twice, and
    // the first connection's comments come once, in order, in the numbers and in the XML.
    const int before = sim->liveChatCount("lv1");
    EXPECT_EQ(numbers(), range(before - 9, before));
    const std::string raw(reinterpret_cast<const char*>(context.rawXml.Get()), static_cast<size_t>(context.rawXml.Length()));
    size_t chats = 0;
    for (size_t at = raw.find("<chat"); at != std::string::npos; at = raw.find("<chat", at + 1))
        ++chats;
    EXPECT_EQ(chats, 10u) << raw;
    EXPECT_EQ(context.lastRes, before);

    // Broken twice is no end once comments came: each later cycle connects again and brings
    // what was posted meanwhile, and says so in its state text.
    for (int round = 1; round <= 2; ++round) {
        ASSERT_TRUE(sim->pushChats("lv1", 3));
        ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1~close 2 ori2"), 0);
        EXPECT_EQ(numbers(), range(before + 3 * round - 2, before + 3 * round));
        EXPECT_EQ(context.extra1.std(), "reconnect " + std::to_string(round) + ": connected");
    }
}

TEST_F(LiveHandler, QuietServerThatClosesIsWaitedOutWithABackOff)
{
    // No push clock: the broadcast is quiet, and the server drops each connection 200 ms after
    // its answer. Reconnecting brings only repeats, which is no failure: the cycle waits on.
    const std::string address = "http://live.nicovideo.jp/watch/lv1~cut200";
    const int before = sim->liveChatCount("lv1");
    // The first cycle's connection breaks too; it connects again once at once.
    ASSERT_EQ(cycle(address + " 5 ori2"), 0);
    EXPECT_EQ(numbers(), range(before - 4, before));
    ASSERT_EQ(sim->requestCount(nicosim::Step::Live), 2);

    std::thread pusher([&] {
        // Two reconnections that bring nothing new (after 1 s and 2 s), then three comments.
        for (int i = 0; i < 1500 && sim->requestCount(nicosim::Step::Live) < 4; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        sim->pushChats("lv1", 3);
    });
    const auto start = std::chrono::steady_clock::now();
    const int code = cycle(address + " 2 ori2");
    const auto took = std::chrono::steady_clock::now() - start;
    pusher.join();
    ASSERT_EQ(code, 0);
    EXPECT_EQ(numbers(), range(before + 1, before + 3));
    // The waits doubled (1 + 2 s at least before the third connection) instead of hammering.
    EXPECT_GE(took, std::chrono::milliseconds(2900));
    EXPECT_LE(sim->requestCount(nicosim::Step::Live), 5);
}

TEST_F(LiveHandler, ServerThatHangsUpGivesAFailure)
{
    EXPECT_EQ(cycle("http://live.nicovideo.jp/watch/lv1~hangup 10 ori2"), 1);
    EXPECT_EQ(sim->requestCount(nicosim::Step::Live), 2);
}

TEST_F(LiveHandler, StopEndsAWaitingCallWithinASecond)
{
    ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1 3 ori2"), 0);
    std::atomic<int64_t> stoppedAt{0};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stoppedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        stop = 1;
    });
    // Nothing is pushed: the call waits until the stop request.
    const int code = cycle("http://live.nicovideo.jp/watch/lv1 2 ori2");
    const auto ended = std::chrono::steady_clock::now().time_since_epoch().count();
    stopper.join();
    EXPECT_EQ(code, 7);
    EXPECT_LT(std::chrono::nanoseconds(ended - stoppedAt.load()), std::chrono::milliseconds(1000));
}

TEST_F(LiveHandler, XmlModeKeepsTheTextOfTheCall)
{
    ASSERT_EQ(cycle("http://live.nicovideo.jp/watch/lv1 3 xml_ori2"), 0);
    const std::string raw(reinterpret_cast<const char*>(context.rawXml.Get()), static_cast<size_t>(context.rawXml.Length()));
    size_t chats = 0;
    for (size_t at = raw.find("<chat"); at != std::string::npos; at = raw.find("<chat", at + 1))
        ++chats;
    EXPECT_EQ(chats, 3u);
    EXPECT_EQ(static_cast<size_t>(context.chats.GetCount()), chats);
    EXPECT_EQ(raw.find('\0'), std::string::npos);
}

}  // namespace
}  // namespace pelmora::engine
