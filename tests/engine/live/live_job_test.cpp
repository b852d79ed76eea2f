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
using pelmora::test::SimEnvTest;

class LiveJob : public SimEnvTest {
protected:
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

    JobRegistry jobs;
    Deliveries got;
};

TEST_F(LiveJob, EachWakeDeliversWhatWasPostedSinceTheLastOne)
{
    const int before = sim->liveChatCount("lv1");
    const int id = start("http://live.nicovideo.jp/watch/lv1 5 ori2");
    ASSERT_GT(id, 0);
    ASSERT_TRUE(got.waitFor(1));
    EXPECT_EQ(got.codes[0], 0);
    EXPECT_EQ(got.numbers[0], (std::vector<int>{before - 4, before - 3, before - 2, before - 1, before}));

    // The wake event exists once the first delivery is made; poll for it.
    for (int i = 0; i < 3000 && jobs.Wake(id) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    // That first wake found nothing new yet; post three and let it read them.
    ASSERT_TRUE(sim->pushChats("lv1", 3));
    ASSERT_TRUE(got.waitFor(2));
    EXPECT_EQ(got.codes[1], 0);
    EXPECT_EQ(got.numbers[1], (std::vector<int>{before + 1, before + 2, before + 3}));

    ASSERT_TRUE(sim->pushChats("lv1", 1));
    ASSERT_EQ(jobs.Wake(id), 1);
    ASSERT_TRUE(got.waitFor(3));
    EXPECT_EQ(got.numbers[2], (std::vector<int>{before + 4}));

    const auto stopAt = std::chrono::steady_clock::now();
    jobs.Exit(id);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, std::chrono::milliseconds(1500));
}

TEST_F(LiveJob, EndedBroadcastEndsTheJobWithNine)
{
    const int id = start("http://live.nicovideo.jp/watch/lv2 5 ori2");
    ASSERT_TRUE(got.waitFor(1));
    EXPECT_EQ(got.codes[0], 9);
    for (int i = 0; i < 3000 && jobs.IsRunning(id); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(jobs.IsRunning(id), 0);
}

}  // namespace
}  // namespace pelmora::engine
