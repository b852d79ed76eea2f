#include "qarvo/time/clock.h"

#include <gtest/gtest.h>

TEST(Clock, SleepAdvancesTheTickAtLeastThatLong)
{
    const uint32_t start = qarvo_time_millis();
    qarvo_sleep_millis(30);
    // Unsigned difference: correct even across the 32-bit wrap.
    EXPECT_GE(qarvo_time_millis() - start, 30u);
}
