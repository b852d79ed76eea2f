#include "qarvo/platform/clock.h"

#include <cerrno>
#include <sched.h>
#include <time.h>

namespace qarvo::platform {

uint32_t monotonicMillis()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void sleepMillis(int ms)
{
    if (ms <= 0) {
        sched_yield();
        return;
    }
    timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    // A signal handler must not cut the sleep short: callers poll flags at this rate.
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

int64_t wallClockSeconds()
{
    return static_cast<int64_t>(::time(nullptr));
}

bool toUtcTime(int64_t seconds, std::tm* out)
{
    if (!out)
        return false;
    const time_t t = static_cast<time_t>(seconds);
    return gmtime_r(&t, out) != nullptr;
}

bool toLocalTime(int64_t seconds, std::tm* out)
{
    if (!out)
        return false;
    const time_t t = static_cast<time_t>(seconds);
    return localtime_r(&t, out) != nullptr;
}

}  // namespace qarvo::platform
