#pragma once
// The browsers whose cookie stores the login lookup reads, and where each keeps its profiles
// on Linux: the native folder, the Flatpak and the Snap package's folder.

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::cookie {

enum class BrowserFamily { Firefox, Chromium };

struct BrowserInfo {
    const char* key;          // the name the user gives: "firefox", "chrome", ...
    const char* displayName;  // "Google Chrome"
    BrowserFamily family;
    // Chromium family: the name of the secret in the desktop keyring, "<name> Safe Storage" in
    // the Secret Service and in KWallet's folder "<name> Keys".
    const char* keyringName;
};

// Every browser, in the order the automatic choice looks at them.
const std::vector<BrowserInfo>& knownBrowsers();
// Null for a name that is none of them.
const BrowserInfo* findBrowser(std::string_view key);
// "firefox, librewolf, ..., opera".
std::string knownBrowserNames();

// The folders the browser may keep its profiles in (Firefox family: the folder of
// profiles.ini; Chromium family: the user data folder holding "Default"), whether they exist
// or not, in the order they are tried.
std::vector<std::string> browserRoots(const BrowserInfo& browser);

}  // namespace pelmora::cookie
