// A live job on today's path (nicosim's lv1~modern): the WebSocket, the view stream and its
// segments feed the same deliveries as the old comment server, across every kind of break.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/job/job_registry.h"
#include "qarvo/charcode/system_charcode.h"
#include "tests/engine/live/job_deliveries.h"
#include "tests/engine/sim_support/sim_env.h"

namespace pelmora::engine {
namespace {

namespace System = qarvo::common::System;
using Clock = std::chrono::steady_clock;

class ModernLiveJob : public test::SimEnvTest {
protected:
    nicosim::Options simOptions() const override
    {
        nicosim::Options options = SimEnvTest::simOptions();
        // Short windows and views, so that a test sees many of each.
        options.liveSegmentMs = 1000;
        options.liveViewMs = 2500;
        options.livePingMs = 300;
        options.liveReconnectMs = 1500;
        return options;
    }
    void SetUp() override
    {
        SimEnvTest::SetUp();
        installLoginCookieFolder();
    }
    void TearDown() override
    {
        jobs.ExitAll();
        SimEnvTest::TearDown();
    }

    int start(const std::string& request)
    {
        const qarvo::C_WString wide = System::utf8_to_utf16(qarvo::C_String(request));
        return jobs.Start(reinterpret_cast<const pelmora_wchar*>(wide.c_str()), reinterpret_cast<intptr_t>(&got),
                          &Deliveries::callback);
    }
    // Wakes the job until it has delivered `count` times.
    bool wakeUntil(int id, size_t count, int seconds = 30)
    {
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            {
                std::lock_guard<std::mutex> lock(got.mutex);
                if (got.codes.size() >= count)
                    return true;
            }
            jobs.Wake(id);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    JobRegistry jobs;
    Deliveries got;
};

TEST_F(ModernLiveJob, DeliversThePastThenWhatIsPostedLikeTheCommentServer)
{
    const int before = sim->liveChatCount("lv1");
    const int id = start("http://live.nicovideo.jp/watch/lv1~modern 5 ori2");
    ASSERT_GT(id, 0);
    ASSERT_TRUE(got.waitFor(1));
    ASSERT_EQ(got.codes[0], 0) << got.states[0];
    EXPECT_EQ(got.numbers[0], (std::vector<int>{before - 4, before - 3, before - 2, before - 1, before}));

    // The three may come in one batch or in more, each once.
    ASSERT_TRUE(sim->pushChats("lv1", 3));
    ASSERT_TRUE(wakeUntil(id, 2));
    for (int i = 0; i < 500 && got.all().size() < 8; ++i) {
        jobs.Wake(id);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(got.all(), (std::vector<int>{before - 4, before - 3, before - 2, before - 1, before, before + 1,
                                           before + 2, before + 3}));
    {
        std::lock_guard<std::mutex> lock(got.mutex);
        for (int code : got.codes)
            EXPECT_EQ(code, 0);
    }

    const auto stopAt = Clock::now();
    jobs.Exit(id);
    EXPECT_LT(Clock::now() - stopAt, std::chrono::milliseconds(1500));
}

// A view stream cut inside a message, a WebSocket that asks to be opened again and every
// connection dropped at once: each comment still arrives exactly once, in order.
TEST_F(ModernLiveJob, BreaksLoseAndRepeatNothing)
{
    const int before = sim->liveChatCount("lv1");
    const int id = start("http://live.nicovideo.jp/watch/lv1~modern~viewcut~wsreconnect 1 ori2");
    ASSERT_TRUE(got.waitFor(1));
    ASSERT_EQ(got.codes[0], 0) << got.states[0];
    const auto end = Clock::now() + std::chrono::seconds(8);
    int posted = 0;
    bool cut = false;
    while (Clock::now() < end) {
        ASSERT_TRUE(sim->pushChats("lv1", 2));
        posted += 2;
        if (!cut && Clock::now() > end - std::chrono::seconds(4)) {
            sim->cutLiveConnections();
            cut = true;
        }
        jobs.Wake(id);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const int last = before + posted;
    for (int i = 0; i < 400 && got.all().back() < last; ++i) {
        jobs.Wake(id);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::vector<int> all = got.all();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front(), before);
    EXPECT_EQ(all.back(), last);
    for (size_t i = 1; i < all.size(); ++i)
        ASSERT_EQ(all[i], all[i - 1] + 1) << "at " << i;
    std::lock_guard<std::mutex> lock(got.mutex);
    for (int code : got.codes)
        EXPECT_EQ(code, 0);
}

// An ended program ends the job with 9 and says so, whether it had ended before the job began
// or ends while the job follows it.
TEST_F(ModernLiveJob, AnEndedProgramGivesNineWithItsText)
{
    const int ended = start("http://live.nicovideo.jp/watch/lv2~modern 5 ori2");
    ASSERT_TRUE(got.waitFor(1));
    EXPECT_EQ(got.codes[0], 9);
    EXPECT_FALSE(got.states[0].empty());
    jobs.Exit(ended);

    Deliveries later;
    const qarvo::C_WString wide = System::utf8_to_utf16(qarvo::C_String("http://live.nicovideo.jp/watch/lv1~modern~end4000 5 ori2"));
    const int id = jobs.Start(reinterpret_cast<const pelmora_wchar*>(wide.c_str()), reinterpret_cast<intptr_t>(&later),
                              &Deliveries::callback);
    ASSERT_TRUE(later.waitFor(1));
    EXPECT_EQ(later.codes[0], 0) << later.states[0];
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < end && jobs.IsRunning(id)) {
        jobs.Wake(id);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(jobs.IsRunning(id), 0);
    std::lock_guard<std::mutex> lock(later.mutex);
    EXPECT_EQ(later.codes.back(), 9);
    EXPECT_EQ(later.states.back(), got.states[0]);
}

}  // namespace
}  // namespace pelmora::engine
