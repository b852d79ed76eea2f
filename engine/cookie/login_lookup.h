#pragma once
// Which store the login is taken from. The user's choice comes in two environment variables
// (set by pelmora-cli's flags and by the viewer's settings before the engine is loaded):
//   PELMORA_COOKIES=FILE                       a Netscape cookies.txt file, and nothing else;
//   PELMORA_COOKIES_FROM_BROWSER=BROWSER[:PROFILE]   that browser's store, and nothing else.
// Without a choice every profile of every known browser is read and the one whose login cookie
// for the address was used last wins.

#include <cstdint>
#include <string>

namespace pelmora::cookie {

inline constexpr const char* kCookiesFileVariable = "PELMORA_COOKIES";
inline constexpr const char* kCookiesFromBrowserVariable = "PELMORA_COOKIES_FROM_BROWSER";

struct LoginLookup {
    bool found = false;
    std::string cookie;  // the Cookie header text when found
    std::string source;  // "chrome (Default)", "cookies.txt /path": where it came from
    // When nothing usable was found: every store looked at and why it gave nothing, e.g.
    // "chrome (Default): the keyring did not answer; the login cookie could not be decrypted".
    std::string report;
};

LoginLookup lookUpCookiesFile(const std::string& path, const std::string& address, int64_t nowSeconds);
LoginLookup lookUpChosenBrowser(const std::string& choice, const std::string& address, int64_t nowSeconds);
LoginLookup lookUpAllBrowsers(const std::string& address, int64_t nowSeconds);

}  // namespace pelmora::cookie
