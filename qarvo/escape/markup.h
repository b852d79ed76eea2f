#pragma once
// HTML and XML escaping of the five special characters & " ' < >.
//
// Quote style (HTML encoders only): bit 0 set leaves the double quote alone, bit 1 set
// encodes the single quote as "&#039;". So 0 encodes " but not ', 1 neither, 2 both, 3 ' only.
// The XML encoder always encodes all five and writes "&apos;".
//
// Decoding reads the five entities of its table in one pass ("&amp;lt;" gives "&lt;"); other
// numeric references are left as they are, and the HTML decoder leaves "&apos;" alone.
//
// Charset names are those of CharCode::getCharType; null means "Shift_JIS". The text is
// escaped in Shift_JIS or UTF-8 (EUC and JIS are converted in and out, UTF-16 is the raw
// UTF-16LE bytes of the text); an unsupported charset or an empty text gives an empty string.
// A double-byte character is always copied whole, so its trail byte is never escaped.

#include "qarvo/charcode/char_code.h"
#include "qarvo/text/memory.h"
#include "qarvo/text/string.h"

namespace qarvo::common::System {

C_String htmlspecialchars(const C_String& text, int quoteStyle = 0, const char* charset = nullptr);
C_String htmlspecialchars_decode(const C_String& text, const char* charset = nullptr);
C_String xmlspecialchars(const C_String& text, const char* charset = nullptr);
C_String xmlspecialchars_decode(const C_String& text, const char* charset = nullptr);

// Shift_JIS text.
C_String _htmlspecialchars_a(const C_String& text, int quoteStyle = 0);
C_String _htmlspecialchars_decode_a(const C_String& text);

// Wide text. Unpaired surrogates are kept as they are.
C_WString _htmlspecialchars_w(const C_WString& text, int quoteStyle = 0);
C_WString _htmlspecialchars_decode_w(const C_WString& text);
C_WString _htmlspecialchars(const C_WString& text, int quoteStyle = 0);
C_WString _htmlspecialchars_decode(const C_WString& text);

// Fast forms: append the result for the NUL-terminated `text` to *out and return out's new
// length (0 when out is null). `type` says how to walk the bytes: Shift_JIS / CP932 pairs,
// JIS shift states, or single bytes for everything else (UTF-8 and EUC-JP never put an ASCII
// byte inside a multi-byte character).
int htmlspecialchars_fast(C_StringMemory* out, const char* text, int quoteStyle, const CharCode::CHAR_TYPE& type);
int htmlspecialchars_decode_fast(C_StringMemory* out, const char* text);
int xmlspecialchars_fast(C_StringMemory* out, const char* text, const CharCode::CHAR_TYPE& type);
int xmlspecialchars_decode_fast(C_StringMemory* out, const char* text);
int _htmlspecialchars_fast_a(C_StringMemory* out, const char* text, int quoteStyle);
int _htmlspecialchars_fast_w(C_WStringMemory* out, const char16_t* text, int quoteStyle);
int _htmlspecialchars_decode_fast_w(C_WStringMemory* out, const char16_t* text);

}  // namespace qarvo::common::System
