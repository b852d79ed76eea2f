#pragma once
// The library's tick: every deadline and poll interval is measured with it.

#include <cstdint>

// Monotonic milliseconds; wraps after about 49.7 days, so compare ticks by unsigned difference:
// `qarvo_time_millis() - start >= limit`, never `now >= start + limit`.
uint32_t qarvo_time_millis();
// Sleeps at least `ms` milliseconds (0 or less: yields once).
void qarvo_sleep_millis(int ms);
