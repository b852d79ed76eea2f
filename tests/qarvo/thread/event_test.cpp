#include "qarvo/thread/event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/qarvo/support/poll.h"
#include "qarvo/time/clock.h"

using qarvo::C_Event;

TEST(Event, ZeroWaitOnUnsignalledReturnsTimeOutAtOnce)
{
    C_Event ev;
    const uint32_t start = qarvo_time_millis();
    EXPECT_EQ(ev.Wait(0), 1);
    EXPECT_LT(qarvo_time_millis() - start, 1000u);
}

TEST(Event, ManualResetStaysSignalledForEveryWaiter)
{
    C_Event ev;
    ev.SetEvent();
    EXPECT_EQ(ev.Wait(0), 0);
    EXPECT_EQ(ev.Wait(0), 0);
    EXPECT_EQ(ev.Wait(-1), 0);
    ev.ResetEvent();
    EXPECT_EQ(ev.Wait(0), 1);
    EXPECT_FALSE(ev.IsSignalled());
}

TEST(Event, TimedWaitLastsAtLeastTheTimeOut)
{
    C_Event ev;
    const uint32_t start = qarvo_time_millis();
    EXPECT_EQ(ev.Wait(40), 1);
    EXPECT_GE(qarvo_time_millis() - start, 39u);
}

TEST(Event, SetFromAnotherThreadReleasesAllWaiters)
{
    C_Event ev;
    std::atomic<int> released{0};
    std::atomic<int> results{0};
    std::thread waiters[3];
    for (auto& t : waiters)
        t = std::thread([&] {
            results += ev.Wait(-1);
            ++released;
        });
    qarvo_sleep_millis(20);
    EXPECT_EQ(released.load(), 0);
    ev.SetEvent();
    for (auto& t : waiters)
        t.join();
    EXPECT_EQ(released.load(), 3);
    EXPECT_EQ(results.load(), 0);
}

TEST(Event, BoundedWaitEndsEarlyWhenSet)
{
    C_Event ev;
    std::thread setter([&] {
        qarvo_sleep_millis(20);
        ev.SetEvent();
    });
    EXPECT_EQ(ev.Wait(30000), 0);
    setter.join();
}
