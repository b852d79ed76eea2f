#pragma once
// C_Integer and the text-to-number parsers (the C runtime's atoi rule: leading white space,
// an optional sign, decimal digits up to the first other character, 0 when there are none).

#include <cstdint>

#include "qarvo/text/string.h"

namespace qarvo {

class C_Integer {
public:
    C_Integer(int value = 0) : m_value(value) {}

    int IntValue() const { return m_value; }
    unsigned UintValue() const { return static_cast<unsigned>(m_value); }
    operator int() const { return m_value; }

    C_Integer& operator=(int v)
    {
        m_value = v;
        return *this;
    }
    C_Integer& operator+=(int v)
    {
        m_value += v;
        return *this;
    }
    C_Integer& operator-=(int v)
    {
        m_value -= v;
        return *this;
    }
    C_Integer& operator*=(int v)
    {
        m_value *= v;
        return *this;
    }
    C_Integer& operator/=(int v)
    {
        if (v != 0)
            m_value /= v;
        return *this;
    }
    C_Integer& operator++()
    {
        ++m_value;
        return *this;
    }
    C_Integer& operator--()
    {
        --m_value;
        return *this;
    }

    // -1 for an empty text; otherwise atoi. Values beyond int saturate.
    static int ParseIntA(const C_String& text);
    static int ParseIntW(const C_WString& text);
    static int ParseInt(const C_String& text) { return ParseIntA(text); }
    static int ParseInt(const C_WString& text) { return ParseIntW(text); }
    static int64_t ParseInt64(const C_String& text);
    static int64_t ParseInt64(const C_WString& text);
    // Decimal text of a value.
    static C_String ToStringA(int value);
    static C_WString ToStringW(int value);

private:
    int m_value;
};

// 64-bit decimal conversion (strtoll rule, saturating); 0 for null.
int64_t qarvo_strtoint64(const char* text);
int64_t qarvo_strtoint64(const char16_t* text);
// The value of one hexadecimal digit (either case), -1 for any other character.
constexpr int qarvo_hexdigit(int c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}
// Value of the hexadecimal digits of text[start, start + count) up to the first other
// character (count < 0: to the end). 0 when there are none.
int qarvo_hextoint_a(const char* text, int start, int count);
int qarvo_hextoint_w(const char16_t* text, int start, int count);
int64_t qarvo_hextoint64_a(const char* text, int start, int count);

}  // namespace qarvo
