#pragma once
// A calendar time: seconds since 1970-01-01 UTC in 64 bits.

#include <cstdint>
#include <ctime>

namespace qarvo {

class C_Time {
public:
    C_Time() = default;
    explicit C_Time(int64_t seconds) : m_time(seconds) {}

    // Sets the time to now and returns it.
    int64_t CreateTime();
    int64_t GetTime() const { return m_time; }
    void SetTime(int64_t seconds) { m_time = seconds; }
    // Broken-down UTC / local time; false (and *out untouched) when it cannot be represented.
    bool GetGMTime(std::tm* out) const;
    bool GetLocalTime(std::tm* out) const;

    friend bool operator==(const C_Time& a, const C_Time& b) { return a.m_time == b.m_time; }
    friend bool operator!=(const C_Time& a, const C_Time& b) { return a.m_time != b.m_time; }
    friend bool operator<(const C_Time& a, const C_Time& b) { return a.m_time < b.m_time; }

private:
    int64_t m_time = 0;
};

}  // namespace qarvo
