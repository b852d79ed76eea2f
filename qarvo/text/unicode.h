// The library's one UTF-8 encoder, one UTF-8 sequence check and one UTF-16LE byte packer.
// Every conversion (the bulk UTF-8 <-> UTF-16 walk, file names, test printing, the comment
// JSON) goes through these, so that all of them agree on what is well-formed and on the bytes
// they write. Header-only: the bulk walk calls them once per character.

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qarvo::unicode {

constexpr char32_t kReplacement = 0xFFFD;

inline bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
inline bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

inline char32_t CombineSurrogates(char16_t high, char16_t low)
{
    return 0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
}

// The bytes of one code point (at most 4) written at `out`; returns how many. The caller
// replaces surrogates and values past U+10FFFF beforehand.
inline size_t EncodeUtf8(char32_t c, char* out)
{
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

inline void AppendUtf8(std::string& out, char32_t c)
{
    char bytes[4];
    out.append(bytes, EncodeUtf8(c, bytes));
}

// Reads the UTF-8 sequence that starts at s[0] (`left` bytes available, at least 1).
// Well-formed (Unicode table 3-7: no overlong forms, no encoded surrogates, nothing past
// U+10FFFF): returns its length and stores the value. Otherwise returns the negated length of
// the maximal subpart (at least 1), the bytes that one U+FFFD stands for.
inline int ReadUtf8(const unsigned char* s, size_t left, char32_t* value)
{
    const unsigned lead = s[0];
    if (lead < 0x80) {
        *value = lead;
        return 1;
    }
    unsigned trail;
    unsigned lo = 0x80, hi = 0xBF;
    char32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0)
            lo = 0xA0;
        else if (lead == 0xED)
            hi = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        cp = lead & 0x07;
        if (lead == 0xF0)
            lo = 0x90;
        else if (lead == 0xF4)
            hi = 0x8F;
    } else {
        // A stray continuation byte, C0/C1 (always overlong) or F5..FF.
        return -1;
    }
    for (unsigned k = 1; k <= trail; ++k) {
        if (k >= left || s[k] < lo || s[k] > hi)
            return -static_cast<int>(k);
        cp = (cp << 6) | (s[k] & 0x3F);
        lo = 0x80;
        hi = 0xBF;
    }
    *value = cp;
    return static_cast<int>(trail + 1);
}

// UTF-16 code units as little-endian bytes (the byte form of our UTF-16 files and strings).
inline void AppendUtf16Le(std::string& out, const char16_t* units, size_t count)
{
    const size_t old = out.size();
    out.resize(old + 2 * count);
    char* p = out.data() + old;
    for (size_t i = 0; i < count; ++i) {
        p[2 * i] = static_cast<char>(units[i] & 0xFF);
        p[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
}

}  // namespace qarvo::unicode
