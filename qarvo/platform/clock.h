#pragma once
// Clocks and sleeping. The monotonic tick is what deadlines are measured with; the wall clock
// is what time stamps and file times are written in.

#include <cstdint>
#include <ctime>

namespace qarvo::platform {

// Milliseconds of a monotonic clock, truncated to 32 bits so that it wraps like the tick count
// the library's deadline arithmetic was written for (compare with unsigned differences).
uint32_t monotonicMillis();
// Negative or zero sleeps yield the processor once.
void sleepMillis(int ms);
// Seconds since 1970-01-01 UTC.
int64_t wallClockSeconds();
// Broken-down UTC / local time of `seconds`; false when it cannot be represented.
bool toUtcTime(int64_t seconds, std::tm* out);
bool toLocalTime(int64_t seconds, std::tm* out);

}  // namespace qarvo::platform
