#pragma once
// Times written as ISO 8601 with an offset, the way today's interfaces write them
// ("2024-08-05T21:03:11+09:00").

#include <cstdint>
#include <string_view>

namespace pelmora::engine {

// Seconds since 1970 (UTC) of "YYYY-MM-DDTHH:MM:SS", an optional fraction (dropped), and "Z",
// "+HH:MM", "-HH:MM", "+HHMM" or "+HH". False for anything else, also for fields out of range
// (month 13, minute 60; a leap second 60 is taken as 59).
bool parseIsoSeconds(std::string_view text, int64_t& seconds);

}  // namespace pelmora::engine
