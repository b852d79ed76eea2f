#pragma once
// The charset wrapper shared by the charset-aware escaping functions: the input is brought to
// a working encoding the escapers understand (Shift_JIS or UTF-8), the operation runs on it,
// and the result is brought back to the caller's charset.

#include <functional>
#include <string>
#include <string_view>

#include "qarvo/charcode/char_code.h"
#include "qarvo/text/string.h"

namespace qarvo::common::System {

// The encoding an escaper walks: it decides which bytes belong together as one character.
enum class TextWalk {
    Bytes,      // every byte stands alone (EUC-JP never puts an ASCII byte inside a pair)
    ShiftJis,   // a lead byte and a valid trail byte form one character
    Utf8,       // ASCII bytes never occur inside a sequence, so bytes are safe
    Jis,        // escape-sequence state: in double-byte mode two bytes form one character
};

// How a CHAR_TYPE is walked when an escaper is given raw text of that type.
TextWalk walkFor(CharCode::CHAR_TYPE type);

// The number of bytes of the character that starts at `at` (at least 1, never past the end).
// Only a character of one byte may be taken for an ASCII special character: a Shift_JIS trail
// byte may equal '\\' or '|', and a JIS pair may hold '&' or '<'. `jisDoubleByte` carries the
// JIS shift state from one call to the next; start it at false.
size_t characterLengthAt(std::string_view text, size_t at, TextWalk walk, bool* jisDoubleByte);

using WorkingOperation = std::function<std::string(std::string_view text, TextWalk walk)>;

// Resolves `charset` (null: "Shift_JIS"), converts `text` into the working encoding, applies
// `operation` and converts back. Empty input, and a charset the wrapper does not handle, give
// an empty string.
C_String applyInCharset(const C_String& text, const char* charset, const WorkingOperation& operation);

}  // namespace qarvo::common::System
