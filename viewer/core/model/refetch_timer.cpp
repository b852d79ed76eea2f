#include "viewer/core/model/refetch_timer.h"

namespace pelmora::viewer {

namespace {

constexpr uint32_t kStepMs = 1000;

int secondsOf(int intervalMs)
{
    const int seconds = intervalMs / 1000;
    return seconds < 1 ? 1 : seconds;
}

}  // namespace

TimerStepResult StepRefetchTimer(RefetchTimer& t, uint32_t now)
{
    TimerStepResult r;
    if (t.monitor <= 0)
        return r;
    if (t.progressState == 0) {
        t.progress = 0;
        t.steps = 0;
        t.tick = now;
        t.progressState = 1;
        r.resetGauge = true;
        // Counting starts now; the first step comes a second later.
        return r;
    }
    if (t.progressState == -1) {
        if (now - t.tick >= kStepMs)
            t.progressState = 0;
        return r;
    }
    if (now - t.tick < kStepMs)
        return r;
    const int total = secondsOf(t.interval);
    ++t.steps;
    t.progress = t.steps >= total ? 100 : static_cast<int>(static_cast<long long>(t.steps) * 100 / total);
    r.position = t.progress;
    if (t.steps < total) {
        // A late pass does not stretch the countdown.
        t.tick += kStepMs;
        return r;
    }
    t.progressState = -1;
    t.tick = now;
    r.fire = true;
    return r;
}

void SwitchTimerOff(RefetchTimer& t)
{
    t.monitor = 0;
    t.progressState = 0;
    t.progress = 0;
    t.steps = 0;
}

}  // namespace pelmora::viewer
