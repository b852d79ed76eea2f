#pragma once
// The split of an "http://" or "https://" address into what the client needs.

#include "qarvo/text/string.h"

namespace qarvo::http {

struct UrlParts {
    C_String url;   // the address, with "/" appended when nothing followed the host
    C_String host;  // the host text as written, port included ("host:8080")
    C_String uri;   // from the first "/" after the host on, query included
    bool tls = false;
};

// False for a null or short address, another scheme (compared with case, as written), or an
// address holding a space, a control byte (CR, LF...) or DEL.
bool splitHttpUrl(const char* url, UrlParts* out);

// The host text split at its port: "host:8080" -> "host", 8080. *port is left alone when no
// port is written; false when the port is not a number in 1..65535.
bool splitHostPort(const C_String& hostText, C_String* name, int* port);

}  // namespace qarvo::http
