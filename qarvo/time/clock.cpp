#include "qarvo/time/clock.h"

#include "qarvo/platform/clock.h"

uint32_t qarvo_time_millis()
{
    return qarvo::platform::monotonicMillis();
}

void qarvo_sleep_millis(int ms)
{
    qarvo::platform::sleepMillis(ms);
}
