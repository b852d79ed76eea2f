#pragma once
// Content type of a file by its extension, from the system's table (/etc/mime.types).

#include "qarvo/text/string.h"

namespace qarvo::common::System {

// `extension` with its leading ".", such as ".png"; letters compare without case. Empty when
// the extension is unknown or the table is missing. The table is read once, on first use.
C_String getContentType(const C_String& extension);
// The same from another table in mime.types form, read on every call.
C_String getContentType(const C_String& extension, const C_String& mimeTypesPath);

}  // namespace qarvo::common::System
