#pragma once
// File names cross to the system as UTF-8 bytes. A name on disk that is not valid UTF-8 still
// round-trips: each stray byte 0x80-0xFF becomes the lone code unit 0xDC00 + byte on the way
// in and the same byte on the way out, so a name that C_Find listed can be opened again.

#include <string>

#include "qarvo/text/string.h"

namespace qarvo {

// False (and *out empty) when the path holds a NUL, which would cut it short.
bool PathToUtf8(const C_WString& path, std::string* out);
C_WString PathFromUtf8(const std::string& bytes);

}  // namespace qarvo
