#pragma once
// Waiting for a condition in tests: poll instead of sleeping a fixed time, with a limit generous
// enough for a loaded machine.

#include <functional>

#include "qarvo/time/clock.h"

namespace qarvo_test {

inline bool PollUntil(const std::function<bool()>& condition, int limitMs = 10000)
{
    const uint32_t start = qarvo_time_millis();
    while (!condition()) {
        if (qarvo_time_millis() - start >= static_cast<uint32_t>(limitMs))
            return false;
        qarvo_sleep_millis(2);
    }
    return true;
}

}  // namespace qarvo_test
