#include <gtest/gtest.h>

#include <vector>

#include "viewer/core/model/refetch_timer.h"

using namespace pelmora::viewer;

namespace {

// Runs 100 ms passes; returns the gauge positions shown up to the first firing.
std::vector<int> runUntilFire(RefetchTimer& t, uint32_t& now, int maxSeconds)
{
    std::vector<int> shown;
    for (int pass = 0; pass < maxSeconds * 10 + 20; ++pass, now += 100) {
        const TimerStepResult r = StepRefetchTimer(t, now);
        if (r.position >= 0)
            shown.push_back(r.position);
        if (r.fire)
            return shown;
    }
    shown.push_back(-1);  // never fired
    return shown;
}

}  // namespace

TEST(RefetchTimer, TwentySecondsStepsByFive)
{
    RefetchTimer t;
    t.monitor = 1;
    t.interval = 20000;
    uint32_t now = 5000;
    const std::vector<int> shown = runUntilFire(t, now, 25);
    ASSERT_EQ(shown.size(), 20u);
    EXPECT_EQ(shown[0], 5);
    EXPECT_EQ(shown[1], 10);
    EXPECT_EQ(shown[18], 95);
    EXPECT_EQ(shown[19], 100);
    EXPECT_EQ(t.progressState, -1);
}

TEST(RefetchTimer, KeepsTheFractionForEveryInterval)
{
    for (int seconds : {8, 30, 101, 300}) {
        RefetchTimer t;
        t.monitor = 1;
        t.interval = seconds * 1000;
        uint32_t now = 1;
        const std::vector<int> shown = runUntilFire(t, now, seconds + 5);
        EXPECT_EQ(static_cast<int>(shown.size()), seconds) << seconds;
        EXPECT_EQ(shown.back(), 100) << seconds;
    }
}

TEST(RefetchTimer, RestsAfterFiringAndRestarts)
{
    RefetchTimer t;
    t.monitor = 1;
    t.interval = 2000;
    uint32_t now = 100;
    ASSERT_EQ(runUntilFire(t, now, 5).size(), 2u);
    // One second of rest, then a fresh round of two steps.
    EXPECT_EQ(runUntilFire(t, now, 5).size(), 2u);
}

TEST(RefetchTimer, ShortIntervalsCountAsOneSecond)
{
    for (int interval : {0, 1, 999}) {
        RefetchTimer t;
        t.monitor = 1;
        t.interval = interval;
        uint32_t now = 10;
        EXPECT_EQ(runUntilFire(t, now, 3), std::vector<int>{100}) << interval;
    }
}

TEST(RefetchTimer, OffOrWaitingDoesNothing)
{
    RefetchTimer t;
    t.interval = 1000;
    for (int monitor : {0, -1}) {
        t.monitor = monitor;
        uint32_t now = 0;
        for (int i = 0; i < 50; ++i, now += 100) {
            const TimerStepResult r = StepRefetchTimer(t, now);
            EXPECT_FALSE(r.fire || r.resetGauge || r.position >= 0);
        }
    }
    t.monitor = 1;
    t.progressState = 1;
    t.steps = 3;
    SwitchTimerOff(t);
    EXPECT_EQ(t.monitor, 0);
    EXPECT_EQ(t.progressState, 0);
    EXPECT_EQ(t.steps, 0);
}

TEST(RefetchTimer, LatePassesDoNotStretchTheCountdown)
{
    RefetchTimer t;
    t.monitor = 1;
    t.interval = 5000;
    uint32_t now = 0;
    StepRefetchTimer(t, now);  // starts counting at 0
    // A pass 2.5 s late takes one step, the next pass catches up.
    EXPECT_EQ(StepRefetchTimer(t, 2500).position, 20);
    EXPECT_EQ(StepRefetchTimer(t, 2600).position, 40);
    EXPECT_EQ(StepRefetchTimer(t, 2700).position, -1);
}
