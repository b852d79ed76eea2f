#pragma once
// Conversions between UTF-8, UTF-16 and the system's 8-bit code page ("sjis": CP932).
//
// UTF-8 <-> UTF-16 is our own code. Ill-formed UTF-8 (overlong forms, encoded surrogates,
// values above U+10FFFF, truncated sequences, stray continuation bytes, bytes C0, C1, F5..FF)
// becomes one U+FFFD per maximal subpart, the Unicode recommended practice; an unpaired
// surrogate in UTF-16 becomes U+FFFD (EF BF BD). Explicit lengths are honoured: an embedded
// NUL is a character like any other, never a terminator.
//
// The code-page conversions go through the platform layer; invalid bytes become U+FFFD and
// characters the code page lacks become '?'.
//
// Every function is stateless and may be called from any thread. Nothing throws.

#include <cstddef>
#include <memory>
#include <string>

#include "qarvo/text/string.h"

namespace qarvo::common::System {

// --- UTF-8 <-> UTF-16 ---

// The whole string, embedded NULs included. Large inputs are converted in one call.
C_WString utf8_to_utf16(const C_String& text);
// `length` bytes of `text`; a negative length means "up to the first NUL".
C_WString _utf8_to_utf16(const char* text, int length);
C_String utf16_to_utf8(const C_WString& text);
// `length` code units of `text`; a negative length means "up to the first NUL".
C_String _utf16_to_utf8(const char16_t* text, int length);
// Converts `length` bytes into `out`, which must have room for `length` units (UTF-16 never
// takes more units than UTF-8 takes bytes); the units written, without a terminator. A piece
// cut at an ASCII byte converts exactly as it does inside the whole text.
size_t utf8_to_utf16_into(const char* text, size_t length, char16_t* out);
// The number of units the conversion of `length` bytes gives.
size_t utf8_to_utf16_length(const char* text, size_t length);
// Appends the UTF-8 form of `length` units of `text` to `out` (a negative length: up to the
// first NUL), as _utf16_to_utf8 gives it.
void utf16_to_utf8_append(std::string& out, const char16_t* text, int length);

// --- system code page (CP932) <-> UTF-16 / UTF-8 ---

C_WString sjis_to_utf16(const C_String& text);
// Converts `length` bytes into *out. Returns the number of UTF-16 units written, 0 when there
// is nothing to convert or `out` is null (*out is then left alone).
int sjis_to_utf16(const unsigned char* text, unsigned length, C_WString* out);
// A new NUL-terminated array owned by the caller; *count (when given) receives the number of
// units before the terminator. Null (and *count untouched) when nothing was converted.
std::unique_ptr<char16_t[]> sjis_to_utf16(const char* text, const int& length, int* count);

// A new NUL-terminated array owned by the caller; *count (when given) receives the number of
// bytes before the terminator. Null (and *count untouched) when nothing was converted.
std::unique_ptr<char[]> utf16_to_sjis(const char16_t* text, const int& length, int* count);
C_String utf16_to_sjis(const C_WString& text);

C_String sjis_to_utf8(const C_String& text);
// *usedDefault (when given) becomes 1 when a character had no code-page equivalent and was
// written as '?', else 0.
C_String utf8_to_sjis(const C_String& text, int* usedDefault);

// Kept for callers that expect detection; the input is always read as UTF-8. *detected (when
// given) receives 5, the value CharCode gives UTF-8.
C_WString utf8_to_auto(const C_String& text, int* detected);

}  // namespace qarvo::common::System
