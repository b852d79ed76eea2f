#pragma once
// One point in time that every step of an exchange is measured against, on the library's
// wrapping millisecond tick.

#include <cstdint>

#include "qarvo/time/clock.h"

namespace qarvo::net {

class Deadline {
public:
    // No limit.
    Deadline() = default;
    // `ms` from now; a negative value means no limit, 0 is already passed.
    static Deadline After(int ms)
    {
        Deadline d;
        if (ms >= 0) {
            d.m_bounded = true;
            d.m_start = qarvo_time_millis();
            d.m_limit = static_cast<uint32_t>(ms);
        }
        return d;
    }
    static Deadline None() { return Deadline(); }

    bool IsBounded() const { return m_bounded; }
    // Compared by unsigned difference so that the tick's wrap does not matter.
    bool Passed() const { return m_bounded && qarvo_time_millis() - m_start >= m_limit; }
    // Milliseconds left (0 once passed); -1 without a limit.
    int RemainingMs() const
    {
        if (!m_bounded)
            return -1;
        const uint32_t used = qarvo_time_millis() - m_start;
        return used >= m_limit ? 0 : static_cast<int>(m_limit - used);
    }
    // The smaller of `slice` and the time left; `slice` when there is no limit.
    int Slice(int slice) const
    {
        const int left = RemainingMs();
        return left < 0 || left > slice ? slice : left;
    }

private:
    bool m_bounded = false;
    uint32_t m_start = 0;
    uint32_t m_limit = 0;
};

}  // namespace qarvo::net
