#pragma once
// C_String holds bytes (8-bit text in the system code page, CP932, or UTF-8 where a caller
// says so); C_WString holds UTF-16 code units.

#include <cstdarg>
#include <iosfwd>
#include <string>

#include "qarvo/text/string_base.h"

namespace qarvo {

class C_WString;

class C_String : public StringBase<C_String, char> {
public:
    using StringBase::StringBase;
    C_String() = default;
    C_String(const std::string& text) : StringBase(text) {}
    C_String(std::string&& text) noexcept : StringBase(std::move(text)) {}

    // printf-style; a null format gives an empty string.
    static C_String Stringf(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static C_String StringfV(const char* format, va_list args);

    // Each byte becomes one code unit (no decoding).
    C_WString ToByteWString() const;
    // 8-bit text in the system code page (CP932) to UTF-16; empty on failure.
    C_WString ToWString() const;

    // Shift_JIS lead / trail byte tests.
    static bool IsSJIS_1(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
    static bool IsSJIS_2(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
};

class C_WString : public StringBase<C_WString, char16_t> {
public:
    using StringBase::StringBase;
    C_WString() = default;
    C_WString(const std::u16string& text) : StringBase(text) {}
    C_WString(std::u16string&& text) noexcept : StringBase(std::move(text)) {}
    // 8-bit text in the system code page (CP932); empty when it cannot be converted.
    explicit C_WString(const C_String& text);
    explicit C_WString(const char* text);

    // printf-style over UTF-16: %s takes const char16_t*, %hs/%S take const char* (bytes
    // widened one by one), numbers as printf. A null format gives an empty string.
    static C_WString Stringf(const char16_t* format, ...);
    static C_WString StringfV(const char16_t* format, va_list args);

    // UTF-16 to the system code page (CP932); unmappable characters become '?'.
    C_String ToString() const;
    // The raw UTF-16LE bytes.
    C_String ToByteString() const;
};

// Formats into `buffer` of `size` units; when the output does not fit, allocates a buffer of
// the exact size, formats again and returns it through `*allocated` (caller deletes[]).
// Returns the output length, or -1 on a format error.
int qarvo_safe_vsnprintf_a(char* buffer, size_t size, char** allocated, const char* format, va_list args);
int qarvo_safe_vsnprintf_w(char16_t* buffer, size_t size, char16_t** allocated, const char16_t* format,
                           va_list args);

// Readable values in test failure messages (UTF-8 for wide text).
void PrintTo(const C_String& text, std::ostream* out);
void PrintTo(const C_WString& text, std::ostream* out);

}  // namespace qarvo

template <>
struct std::hash<qarvo::C_String> {
    size_t operator()(const qarvo::C_String& s) const noexcept { return s.Hash(); }
};
template <>
struct std::hash<qarvo::C_WString> {
    size_t operator()(const qarvo::C_WString& s) const noexcept { return s.Hash(); }
};
