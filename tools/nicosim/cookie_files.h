#pragma once
// Browser cookie stores holding the login nicosim expects, so that the engine's browser
// cookie lookup finds it:
//   - the cookie folder of the text-file method: nine-line records (name, value, host and
//     path, flags, expiry low and high, creation low and high, "*"), in a file named
//     "<user>@nicovideo[1].txt" and in a second one named "NICOSIM0.txt";
//   - a Firefox profile root: profiles.ini with a default [Profile0] and
//     <profile>/cookies.sqlite holding moz_cookies (schema version 17, expiry in ms).
// Both hold user_session and nicosid for the service's domain (and, in the folder files, a
// record for the Jikkyo host, so that a lookup for that host finds the same file).

#include "tools/nicosim/catalogue.h"

#include <string>

namespace nicosim {

struct CookieFileOptions {
    std::string userName;   // user part of "<user>@nicovideo[1].txt"; empty: $USER, else "user"
    std::string sessionValue = std::string(kSessionCookieValue);
};

inline constexpr const char* kFirefoxProfileDir = "nicosim.default-release";
inline constexpr int kFirefoxCookieSchema = 17;

// Create `dir` when missing and write the files; false with a reason in `error`. Existing
// files of the same names are replaced whole (written beside and renamed), never half-written.
bool writeCookieFolder(const std::string& dir, const CookieFileOptions& options = {}, std::string* error = nullptr);
bool writeFirefoxProfile(const std::string& dir, const CookieFileOptions& options = {}, std::string* error = nullptr);

} // namespace nicosim
