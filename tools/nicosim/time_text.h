#pragma once
// Dates as the service writes them, in Japan time (UTC+9, no daylight saving).

#include <cstdint>
#include <string>

namespace nicosim {

struct CivilTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Seconds since 1970 (UTC) to the calendar time in Japan.
CivilTime japanTime(int64_t unixSeconds);
// "2008-05-22T07:23:27+09:00"
std::string isoJapanTime(int64_t unixSeconds);
// "2024年03月01日 21:15"
std::string japaneseDateTime(int64_t unixSeconds);
// "5:20" for 320 seconds
std::string playLength(int seconds);

} // namespace nicosim
