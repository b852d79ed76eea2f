#pragma once
// Base64 with the standard alphabet (A-Z a-z 0-9 + /), "=" padding, on one line.

#include "qarvo/text/string.h"

namespace qarvo::common::System {

C_String base64_encode(const void* data, int length);
C_String base64_encode(const C_String& bytes);

// Characters outside the alphabet (line breaks, spaces, anything else) are skipped; the first
// "=" ends the data. Bits left over that do not make a whole byte are dropped.
C_String base64_decode(const C_String& text);

}  // namespace qarvo::common::System
