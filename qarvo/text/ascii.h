#pragma once
// Comparisons that ignore the case of ASCII letters only, as protocol names and header fields
// are compared. (The C library's strcasecmp depends on the locale and is not on every system.)

#include <cstddef>
#include <string_view>

namespace qarvo::text {

constexpr char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool equalsNoCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

constexpr bool startsWithNoCaseAscii(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && equalsNoCaseAscii(text.substr(0, prefix.size()), prefix);
}

constexpr bool containsNoCaseAscii(std::string_view text, std::string_view word)
{
    if (word.empty())
        return true;
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (equalsNoCaseAscii(text.substr(i, word.size()), word))
            return true;
    return false;
}

}  // namespace qarvo::text
