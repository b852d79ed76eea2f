#pragma once
// File names from arbitrary text (titles, tags): each character a file name may not hold is
// replaced by its full-width look-alike.
//
//   "  U+201C    \  U+FFE5    /  U+FF0F    *  U+FF0A    <  U+FF1C
//   >  U+FF1E    :  U+FF1A    ?  U+FF1F    |  U+FF5C    tab  U+3000
//
// In Shift_JIS text the look-alikes are written as their CP932 codes, in UTF-8 text as their
// UTF-8 forms. A double-byte Shift_JIS character is copied whole: 表 is 0x95 0x5C, and its
// trail byte is not a backslash.

#include "qarvo/text/string.h"

namespace qarvo::common::System {

C_WString _to_create_winname_w(const C_WString& text);
C_WString _to_create_winname(const C_WString& text);
// Charset names as for the markup functions (null: "Shift_JIS"); an unsupported charset or an
// empty text gives an empty string.
C_String to_create_winname(const C_String& text, const char* charset = nullptr);
C_String _to_create_winname_a(const C_String& text);

}  // namespace qarvo::common::System
