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
// Appends the file's bytes to *out; on failure *out is left as it was.
bool appendWholeFile(const C_String& path, std::string* out);
// Whether `needle` occurs in the file, read in pieces (the file is never held whole).
bool fileContains(const C_String& path, const std::string& needle);

}  // namespace qarvo::http
