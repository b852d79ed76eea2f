#pragma once
// The parse of an answer's header block.

#include <cstddef>
#include <cstdint>

#include "qarvo/http/http_type.h"

namespace qarvo::http {

// Fills `status` from data[0, length), the header block up to and including its blank line:
// the status code (the token between the first two spaces of the first line, kept when
// shorter than 12 characters), every non-empty line, and the kept fields.
void parseResponseHead(const char* data, size_t length, I_HttpType::tag_HttpStatus* status);

// The status number of a status line at `data` ("HTTP/1.1 200 OK" -> 200), 0 when unreadable.
int statusNumberOf(const char* data, size_t length);

// A Content-Length value: decimal digits after optional blanks; -1 when there are none or the
// number would not fit.
int64_t parseContentLength(const char* value);

// Case-insensitive "Name:" match at the start of `line`; the value after the colon with one
// space skipped, or null.
const char* headerValueOf(const C_String& line, const char* nameWithColon);

}  // namespace qarvo::http
