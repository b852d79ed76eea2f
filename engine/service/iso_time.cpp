#include "engine/service/iso_time.h"

namespace pelmora::engine {
namespace {

// A fixed number of digits at `at`; false when one of them is no digit.
bool digits(std::string_view text, size_t at, size_t count, int& value)
{
    if (text.size() < at + count)
        return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (Howard Hinnant's
// days_from_civil).
int64_t daysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

bool parseIsoSeconds(std::string_view text, int64_t& seconds)
{
    int year, month, day, hour, minute, second;
    if (!digits(text, 0, 4, year) || text.size() < 19 || text[4] != '-' || !digits(text, 5, 2, month) ||
        text[7] != '-' || !digits(text, 8, 2, day) || (text[10] != 'T' && text[10] != 't' && text[10] != ' ') ||
        !digits(text, 11, 2, hour) || text[13] != ':' || !digits(text, 14, 2, minute) || text[16] != ':' ||
        !digits(text, 17, 2, second))
        return false;
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 60)
        return false;
    if (second == 60)
        second = 59;

    size_t at = 19;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        const size_t first = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        if (at == first)
            return false;
    }

    int offsetMinutes = 0;
    if (at < text.size() && (text[at] == 'Z' || text[at] == 'z')) {
        ++at;
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        const int sign = text[at] == '-' ? -1 : 1;
        int hours = 0, minutes = 0;
        if (!digits(text, at + 1, 2, hours))
            return false;
        at += 3;
        if (at < text.size() && text[at] == ':')
            ++at;
        if (at < text.size()) {
            if (!digits(text, at, 2, minutes))
                return false;
            at += 2;
        }
        if (hours > 23 || minutes > 59)
            return false;
        offsetMinutes = sign * (hours * 60 + minutes);
    } else {
        return false;  // a time without an offset names no instant
    }
    if (at != text.size())
        return false;

    seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second -
              static_cast<int64_t>(offsetMinutes) * 60;
    return true;
}

}  // namespace pelmora::engine
