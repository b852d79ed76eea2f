#pragma once
// One cookie as a browser keeps it, whichever store it came from, and the request it may be
// sent with.

#include <cstdint>
#include <string>

namespace pelmora::cookie {

struct StoredCookie {
    std::string name;
    std::string value;
    std::string domain;      // lower case, without a leading dot
    bool hostOnly = false;   // sent to `domain` itself only, not to its subdomains
    std::string path = "/";
    bool secure = false;     // sent over https only
    bool httpOnly = false;
    int64_t expires = 0;     // seconds since 1970; 0: a session cookie, which never expires here
    int64_t lastAccess = 0;  // microseconds since 1970; 0 when the store does not say
    int64_t creation = 0;    // microseconds since 1970
};

// What a cookie is matched against: the address of one request.
struct CookieRequest {
    std::string host;        // lower case, without port
    std::string path = "/";  // without query and fragment; "/" when the address has none
    bool secure = false;     // https
};

}  // namespace pelmora::cookie
