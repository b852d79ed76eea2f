#include "qarvo/time/time.h"

#include "qarvo/platform/clock.h"

namespace qarvo {

int64_t C_Time::CreateTime()
{
    m_time = platform::wallClockSeconds();
    return m_time;
}

bool C_Time::GetGMTime(std::tm* out) const
{
    std::tm t{};
    if (!out || !platform::toUtcTime(m_time, &t))
        return false;
    *out = t;
    return true;
}

bool C_Time::GetLocalTime(std::tm* out) const
{
    std::tm t{};
    if (!out || !platform::toLocalTime(m_time, &t))
        return false;
    *out = t;
    return true;
}

}  // namespace qarvo
