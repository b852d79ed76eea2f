#pragma once
// Browser cookie stores holding the login nicosim expects, so that the engine's browser
// cookie lookup finds it:
//   - the cookie folder of the text-file method: nine-line records (name, value, host and
//     path, flags, expiry low and high, creation low and high, "*"), in a file named
//     "<user>@nicovideo[1].txt" and in a second one named "NICOSIM0.txt";
//   - a Firefox profile root: profiles.ini with a default [Profile0] and
//     <profile>/cookies.sqlite holding moz_cookies (schema version 17, expiry in ms);
//   - a Chromium user data folder: Default/Cookies with the login encrypted as "v10" (the fixed
//     key of a desktop without keyring), database version 24 (values start with the SHA-256 of
//     their host);
//   - a Netscape cookies.txt, as browser add-ons export it.
// All hold user_session and nicosid for the service's domain (and, in the folder files, a
// record for the Jikkyo host, so that a lookup for that host finds the same file). The browser
// stores and the cookies.txt also hold what a lookup must leave out or send only where a
// browser would: another site's cookie; in Firefox and cookies.txt a Secure login copy
// (user_session_secure); in Firefox a host-only cookie of www (nicosim_www), one for /my only
// (nicosim_mypage), an expired one, and the login copies of a container tab and of a
// partitioned context with other values.

#include "tools/nicosim/catalogue.h"

#include <string>

namespace nicosim {

struct CookieFileOptions {
    std::string userName;   // user part of "<user>@nicovideo[1].txt"; empty: $USER, else "user"
    std::string sessionValue = std::string(kSessionCookieValue);
};

inline constexpr const char* kFirefoxProfileDir = "nicosim.default-release";
inline constexpr int kFirefoxCookieSchema = 17;
inline constexpr const char* kChromiumProfileDir = "Default";
inline constexpr int kChromiumCookieVersion = 24;

// Create `dir` when missing and write the files; false with a reason in `error`. Existing
// files of the same names are replaced whole (written beside and renamed), never half-written.
bool writeCookieFolder(const std::string& dir, const CookieFileOptions& options = {}, std::string* error = nullptr);
bool writeFirefoxProfile(const std::string& dir, const CookieFileOptions& options = {}, std::string* error = nullptr);
// `dir` is the user data folder (like ~/.config/chromium); the profile is dir/Default.
bool writeChromiumProfile(const std::string& dir, const CookieFileOptions& options = {}, std::string* error = nullptr);
bool writeNetscapeCookies(const std::string& path, const CookieFileOptions& options = {}, std::string* error = nullptr);

} // namespace nicosim
