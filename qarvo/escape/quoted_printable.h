#pragma once
// Quoted-printable decoding (mail bodies and headers).

#include "qarvo/text/string.h"

namespace qarvo::common::System {

// "=" and two hexadecimal digits (either case) become that byte; "=" at the end of a line is a
// soft line break and is removed with the line break (CR LF or LF). Any other "=" is copied.
C_String quoted_printable_decode(const C_String& text);

}  // namespace qarvo::common::System
