// UTF-8 <-> UTF-16, our own code. A comment-server answer of 150 MB is converted in one call,
// so each direction walks the input twice: once to learn the exact output size, once to write
// into a single allocation. The walk itself is shared so that both passes agree byte for byte.

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "qarvo/charcode/char_code.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/text/unicode.h"

namespace qarvo::common::System {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr uint64_t kHighBits = 0x8080808080808080ull;

// --- sinks: the same walk either counts or writes ---

struct CountUnits {
    size_t count = 0;
    void ascii(const unsigned char*, size_t n) { count += n; }
    void unit(char16_t) { ++count; }
};

struct WriteUnits {
    char16_t* out;
    void ascii(const unsigned char* s, size_t n)
    {
        size_t i = 0;
#if defined(__SSE2__)
        // Sixteen bytes widened to sixteen units at a time.
        const __m128i zero = _mm_setzero_si128();
        for (; n - i >= 16; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
        }
#endif
        for (; i < n; ++i)
            out[i] = s[i];
        out += n;
    }
    void unit(char16_t c) { *out++ = c; }
};

// Well-formed sequences (Unicode table 3-7). The second byte's range depends on the lead
// byte: that is what rules out overlong forms, encoded surrogates and values past U+10FFFF.
// On the first byte that breaks a sequence, the bytes read so far (the maximal subpart)
// become one U+FFFD and the walk resumes at the offending byte.
template <class Sink>
void walkUtf8(const unsigned char* s, size_t n, Sink& sink)
{
    size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            const size_t start = i;
            while (n - i >= 8) {
                uint64_t word;
                std::memcpy(&word, s + i, 8);
                if (word & kHighBits)
                    break;
                i += 8;
            }
            while (i < n && s[i] < 0x80)
                ++i;
            sink.ascii(s + start, i - start);
            continue;
        }
        const unsigned lead = s[i];
        // The common case of Japanese text first: a run of well-formed three-byte sequences.
        // The checks are ReadUtf8's (E0 needs A0..BF second, ED 80..9F) written as a range of
        // the value.
        if ((lead & 0xF0) == 0xE0) {
            bool any = false;
            while (n - i >= 3) {
                const uint32_t b0 = s[i], b1 = s[i + 1], b2 = s[i + 2];
                if ((b0 & 0xF0) != 0xE0 || (b1 & 0xC0) != 0x80 || (b2 & 0xC0) != 0x80)
                    break;
                const uint32_t c = ((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F);
                if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))
                    break;
                sink.unit(static_cast<char16_t>(c));
                i += 3;
                any = true;
            }
            if (any)
                continue;
        }
        char32_t cp = 0;
        const int length = unicode::ReadUtf8(s + i, n - i, &cp);
        if (length < 0) {
            sink.unit(kReplacement);
            i += static_cast<size_t>(-length);
        } else if (cp >= 0x10000) {
            i += static_cast<size_t>(length);
            cp -= 0x10000;
            sink.unit(static_cast<char16_t>(0xD800 + (cp >> 10)));
            sink.unit(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            i += static_cast<size_t>(length);
            sink.unit(static_cast<char16_t>(cp));
        }
    }
}

struct CountBytes {
    size_t count = 0;
    void ascii(const char16_t*, size_t n) { count += n; }
    void bytes(uint32_t, unsigned n) { count += n; }
};

struct WriteBytes {
    char* out;
    void ascii(const char16_t* s, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            out[i] = static_cast<char>(s[i]);
        out += n;
    }
    void bytes(uint32_t cp, unsigned) { out += unicode::EncodeUtf8(cp, out); }
};

template <class Sink>
void walkUtf16(const char16_t* s, size_t n, Sink& sink)
{
    size_t i = 0;
    while (i < n) {
        const char16_t c = s[i];
        if (c < 0x80) {
            const size_t start = i;
            while (i < n && s[i] < 0x80)
                ++i;
            sink.ascii(s + start, i - start);
            continue;
        }
        ++i;
        if (c < 0x800) {
            sink.bytes(c, 2);
        } else if (unicode::IsHighSurrogate(c) && i < n && unicode::IsLowSurrogate(s[i])) {
            const uint32_t cp = unicode::CombineSurrogates(c, s[i]);
            ++i;
            sink.bytes(cp, 4);
        } else if (unicode::IsHighSurrogate(c) || unicode::IsLowSurrogate(c)) {
            // Unpaired: it has no UTF-8 form.
            sink.bytes(kReplacement, 3);
        } else {
            sink.bytes(c, 3);
        }
    }
}

// A whole comment answer is converted at once; when its result cannot be had the conversion
// gives an empty string, as it does for empty input, rather than an exception in the caller.
template <class Str>
bool allocate(Str& out, size_t size)
{
    try {
        out.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        out = Str();
        return false;
    } catch (const std::length_error&) {
        out = Str();
        return false;
    }
}

std::u16string decodeUtf8(const char* text, size_t length)
{
    std::u16string out;
    if (!text || length == 0)
        return out;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    CountUnits counter;
    walkUtf8(s, length, counter);
    if (!allocate(out, counter.count))
        return out;
    WriteUnits writer{out.data()};
    walkUtf8(s, length, writer);
    return out;
}

std::string encodeUtf8(const char16_t* text, size_t length)
{
    std::string out;
    if (!text || length == 0)
        return out;
    CountBytes counter;
    walkUtf16(text, length, counter);
    if (!allocate(out, counter.count))
        return out;
    WriteBytes writer{out.data()};
    walkUtf16(text, length, writer);
    return out;
}

}  // namespace

C_WString utf8_to_utf16(const C_String& text)
{
    return C_WString(decodeUtf8(text.c_str(), text.std().size()));
}

C_WString _utf8_to_utf16(const char* text, int length)
{
    if (!text)
        return C_WString();
    const size_t n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    return C_WString(decodeUtf8(text, n));
}

size_t utf8_to_utf16_into(const char* text, size_t length, char16_t* out)
{
    if (!text || length == 0)
        return 0;
    WriteUnits writer{out};
    walkUtf8(reinterpret_cast<const unsigned char*>(text), length, writer);
    return static_cast<size_t>(writer.out - out);
}

size_t utf8_to_utf16_length(const char* text, size_t length)
{
    if (!text || length == 0)
        return 0;
    CountUnits counter;
    walkUtf8(reinterpret_cast<const unsigned char*>(text), length, counter);
    return counter.count;
}

void utf16_to_utf8_append(std::string& out, const char16_t* text, int length)
{
    if (!text)
        return;
    const size_t n = length < 0 ? std::char_traits<char16_t>::length(text) : static_cast<size_t>(length);
    if (n == 0)
        return;
    // One unit gives at most three bytes (a pair gives four for two).
    const size_t old = out.size();
    out.resize(old + 3 * n);
    WriteBytes writer{out.data() + old};
    walkUtf16(text, n, writer);
    out.resize(static_cast<size_t>(writer.out - out.data()));
}

C_String utf16_to_utf8(const C_WString& text)
{
    return C_String(encodeUtf8(text.c_str(), text.std().size()));
}

C_String _utf16_to_utf8(const char16_t* text, int length)
{
    if (!text)
        return C_String();
    const size_t n = length < 0 ? std::char_traits<char16_t>::length(text) : static_cast<size_t>(length);
    return C_String(encodeUtf8(text, n));
}

C_WString utf8_to_auto(const C_String& text, int* detected)
{
    if (detected)
        *detected = CharCode::UTF8;
    return utf8_to_utf16(text);
}

}  // namespace qarvo::common::System
