#pragma once
// One refetch countdown (comments or tags) of a page: a one-second step on the worker thread
// advances the gauge; when it is full the timer fires and rests one second.
//
// The position is derived from the number of whole steps taken, so every interval fires after
// its number of seconds (a 30 s interval shows 3, 6, 10, 13, ... and fires on the 30th step;
// intervals above 100 s still advance). Intervals below one second count as one second.

#include <cstdint>

namespace pelmora::viewer {

struct RefetchTimer {
    int monitor = 0;        // -1 switched on, waiting for a batch; 1 armed; 0 off
    int interval = 0;       // milliseconds
    uint32_t tick = 0;      // time of the last step
    int progressState = 0;  // 0 not started, 1 counting, -1 fired and resting
    int progress = 0;       // gauge position 0..100
    int steps = 0;          // whole seconds counted in this round
};

struct TimerStepResult {
    bool resetGauge = false;  // set range 0..100, step 0, position 0
    int position = -1;        // new gauge position, -1 for none
    bool fire = false;
};

// One pass of the worker thread at time `now` (milliseconds, wrapping).
TimerStepResult StepRefetchTimer(RefetchTimer& timer, uint32_t now);
// Switching a timer off by its button: no countdown, gauge at 0.
void SwitchTimerOff(RefetchTimer& timer);

}  // namespace pelmora::viewer
