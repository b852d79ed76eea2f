#include "qarvo/http/url_split.h"

#include <cstring>

namespace qarvo::http {

bool splitHttpUrl(const char* url, UrlParts* out)
{
    if (!url || std::strlen(url) < 8 || !out)
        return false;
    // The address goes into the request line and the Host line as it is: a CR or LF would end
    // them early and let the text smuggle in lines of its own (an address taken from a
    // URL-decoded answer can carry "%0D%0A"), and a space or control byte would break them.
    for (const char* p = url; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c <= 0x20 || c == 0x7F)
            return false;
    }
    size_t skip;
    bool tls;
    if (std::strncmp(url, "http://", 7) == 0) {
        skip = 7;
        tls = false;
    } else if (std::strncmp(url, "https://", 8) == 0) {
        skip = 8;
        tls = true;
    } else {
        return false;
    }
    const char* host = url + skip;
    const char* slash = std::strchr(host, '/');
    UrlParts parts;
    parts.tls = tls;
    if (slash) {
        parts.host = C_String(host, static_cast<int>(slash - host));
        parts.uri = C_String(slash);
        parts.url = C_String(url);
    } else {
        parts.host = C_String(host);
        parts.uri = C_String("/");
        parts.url = C_String(url) + "/";
    }
    if (parts.host.IsEmpty())
        return false;
    *out = parts;
    return true;
}

bool splitHostPort(const C_String& hostText, C_String* name, int* port)
{
    const int colon = hostText.LastIndexOf(':');
    if (colon < 0) {
        if (name)
            *name = hostText;
        return true;
    }
    const C_String digits = hostText.SubString(colon + 1);
    if (digits.IsEmpty() || digits.Length() > 5)
        return false;
    int value = 0;
    for (char c : digits.std()) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return false;
    if (name)
        *name = hostText.Left(colon);
    if (port)
        *port = value;
    return true;
}

}  // namespace qarvo::http
