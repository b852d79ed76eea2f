#pragma once
// The browser the login is taken from, as the settings dialog offers and stores it
// (init.ini keys cookie_browser and cookie_file), and its hand-over to the engine: the
// engine's cookie lookup reads PELMORA_COOKIES_FROM_BROWSER and PELMORA_COOKIES.

#include <vector>

#include "qarvo/text/string.h"

namespace pelmora::viewer {

inline constexpr const char16_t* kCookieBrowserKey = u"cookie_browser";
inline constexpr const char16_t* kCookieFileKey = u"cookie_file";
// The stored values that are no browser.
inline constexpr const char16_t* kCookieAuto = u"auto";
inline constexpr const char16_t* kCookieTxt = u"cookies.txt";

struct LoginChoiceEntry {
    qarvo::C_WString label;  // "自動", "Google Chrome", "Google Chrome: Profile 1", "cookies.txt…"
    qarvo::C_WString value;  // "auto", "chrome", "chrome:Profile 1", "cookies.txt"
};

// 自動, then every browser found on this machine (and each of its profiles when it has
// several), then cookies.txt…
std::vector<LoginChoiceEntry> LoginChoiceEntries();

// Reads the choice from the settings file and puts it into the environment. A file without
// the key leaves the environment as the user started the program with.
void ApplyLoginChoice(const qarvo::C_WString& settingsPath);
// The same once per run: before the first fetch, so before the engine is loaded.
void ApplyLoginChoiceOnce(const qarvo::C_WString& settingsPath);

}  // namespace pelmora::viewer
