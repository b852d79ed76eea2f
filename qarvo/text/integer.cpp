#include "qarvo/text/integer.h"

#include <climits>

namespace qarvo {
namespace {

template <class CharT>
bool isSpace(CharT c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// atoi/strtoll rule over any code unit type; saturates instead of overflowing.
template <class CharT>
int64_t parseDecimal(const CharT* p)
{
    if (!p)
        return 0;
    while (isSpace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    uint64_t value = 0;
    bool saturated = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const unsigned digit = static_cast<unsigned>(*p - '0');
        if (!saturated) {
            if (value > (static_cast<uint64_t>(INT64_MAX) - digit) / 10)
                saturated = true;
            else
                value = value * 10 + digit;
        }
    }
    if (saturated)
        return negative ? INT64_MIN : INT64_MAX;
    return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

int clampToInt(int64_t v)
{
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

template <class CharT>
int64_t parseHex(const CharT* text, int start, int count)
{
    if (!text || start < 0)
        return 0;
    const CharT* p = text + start;
    uint64_t value = 0;
    for (int i = 0; (count < 0 || i < count) && *p; ++i, ++p) {
        const int digit = qarvo_hexdigit(static_cast<int>(*p));
        if (digit < 0)
            break;
        value = (value << 4) | static_cast<unsigned>(digit);
    }
    return static_cast<int64_t>(value);
}

}  // namespace

int C_Integer::ParseIntA(const C_String& text)
{
    return text.IsEmpty() ? -1 : clampToInt(parseDecimal(text.c_str()));
}

int C_Integer::ParseIntW(const C_WString& text)
{
    return text.IsEmpty() ? -1 : clampToInt(parseDecimal(text.c_str()));
}

int64_t C_Integer::ParseInt64(const C_String& text)
{
    return text.IsEmpty() ? -1 : parseDecimal(text.c_str());
}

int64_t C_Integer::ParseInt64(const C_WString& text)
{
    return text.IsEmpty() ? -1 : parseDecimal(text.c_str());
}

C_String C_Integer::ToStringA(int value)
{
    return C_String(std::to_string(value));
}

C_WString C_Integer::ToStringW(int value)
{
    const std::string s = std::to_string(value);
    return C_WString(std::u16string(s.begin(), s.end()));
}

int64_t qarvo_strtoint64(const char* text)
{
    return parseDecimal(text);
}

int64_t qarvo_strtoint64(const char16_t* text)
{
    return parseDecimal(text);
}

int qarvo_hextoint_a(const char* text, int start, int count)
{
    return static_cast<int>(parseHex(text, start, count));
}

int qarvo_hextoint_w(const char16_t* text, int start, int count)
{
    return static_cast<int>(parseHex(text, start, count));
}

int64_t qarvo_hextoint64_a(const char* text, int start, int count)
{
    return parseHex(text, start, count);
}

}  // namespace qarvo
