#pragma once
// Reading the files a request sends (raw bodies, multipart attachments).

#include <cstdint>
#include <string>

#include "qarvo/text/string.h"

namespace qarvo::http {

// `path` is text in the system code page, as every narrow path of the library.
bool fileOpens(const C_String& path);
// -1 when the file does not open.
int64_t fileSize(const C_String& path);
bool readWholeFile(const C_String& path, std::string* out);

}  // namespace qarvo::http
