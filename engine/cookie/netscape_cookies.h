#pragma once
// The Netscape cookies.txt format that browser add-ons export and download tools read: one
// cookie a line, seven fields separated by tabs (domain, include-subdomains TRUE/FALSE, path,
// secure TRUE/FALSE, expiry in seconds since 1970 with 0 for a session cookie, name, value).
// Lines starting with "#" are comments, except that "#HttpOnly_" before the domain marks an
// HttpOnly cookie.

#include <string>
#include <string_view>
#include <vector>

#include "engine/cookie/stored_cookie.h"

namespace pelmora::cookie {

// Limits against a hostile or mistaken file: the file, one line, the number of cookies.
inline constexpr size_t kMaxNetscapeFileBytes = 8 * 1024 * 1024;
inline constexpr size_t kMaxNetscapeLineBytes = 64 * 1024;
inline constexpr size_t kMaxNetscapeCookies = 100000;

struct NetscapeParse {
    std::vector<StoredCookie> cookies;
    size_t badLines = 0;     // lines that were neither comments nor cookies; skipped
    bool tooLarge = false;   // a limit was reached; what came before it is kept
};

// True when `text` is in this format: its first line is one of the format's headers ("# Netscape
// HTTP Cookie File", "# HTTP Cookie File"), a line starts with "#HttpOnly_", or its first line
// that is no comment holds six tabs. The cookie folder's nine-line records hold no tab.
bool looksLikeNetscapeCookies(std::string_view text);

NetscapeParse parseNetscapeCookies(std::string_view text);

}  // namespace pelmora::cookie
