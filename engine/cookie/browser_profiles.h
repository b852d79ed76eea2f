#pragma once
// The profiles of the installed browsers that hold a cookie store, and the user's choice of one
// ("chrome", "firefox:work", "chromium:/path/to/profile").

#include <string>
#include <string_view>
#include <vector>

#include "engine/cookie/browser_table.h"

namespace pelmora::cookie {

struct BrowserProfile {
    const BrowserInfo* browser = nullptr;
    std::string name;     // "default-release", "Default", "Profile 1"
    std::string folder;   // the profile folder
    std::string store;    // its cookie database: cookies.sqlite, or Cookies (in Network/ when there)
    bool isDefault = false;
    // The browser holds the profile now (its lock is there): the store is read from a copy.
    bool browserRunning = false;

    // "chrome (Default)": how messages name it.
    std::string label() const;
};

// The profiles of one browser with a cookie store, over all its folders; a profile found in two
// folders (a link) counts once.
std::vector<BrowserProfile> browserProfiles(const BrowserInfo& browser);
// Those of every known browser, in the table's order.
std::vector<BrowserProfile> allBrowserProfiles();

// BROWSER[:PROFILE]; PROFILE is a profile's name or folder name, or a path (holding "/") to a
// profile folder or to a browser's profile root.
struct BrowserChoice {
    const BrowserInfo* browser = nullptr;
    std::string profile;  // empty: every profile of the browser
};
bool parseBrowserChoice(std::string_view text, BrowserChoice& choice, std::string& error);

// The profiles the choice names; empty with a reason in `error` when there is none.
std::vector<BrowserProfile> chosenProfiles(const BrowserChoice& choice, std::string& error);

}  // namespace pelmora::cookie
