#include "engine/cookie/browser_profiles.h"

#include <algorithm>

#include "engine/cookie/cookie_paths.h"
#include "engine/cookie/firefox_profiles.h"

namespace pelmora::cookie {
namespace {

constexpr int64_t kMaxIniBytes = 1024 * 1024;
// What a running browser leaves in its folder: Firefox a "lock" link in the profile, the
// Chromium family a "SingletonLock" link in the user data folder. Both dangle, so they are
// looked for by listing, not by following them.
constexpr const char* kFirefoxLock = "lock";
constexpr const char* kChromiumLock = "SingletonLock";

bool holdsEntry(const std::string& folder, const char* name)
{
    return !listFolder(folder, name).empty();
}

std::string folderName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string chromiumStoreIn(const std::string& folder)
{
    // Newer versions keep the database in the profile's Network folder.
    for (const char* name : {"/Network/Cookies", "/Cookies"})
        if (fileExists(folder + name))
            return folder + name;
    return std::string();
}

void addChromiumProfile(const BrowserInfo& browser, const std::string& root, const std::string& folder,
                        const std::string& name, std::vector<BrowserProfile>& out)
{
    const std::string store = chromiumStoreIn(folder);
    if (store.empty())
        return;
    BrowserProfile profile;
    profile.browser = &browser;
    profile.name = name;
    profile.folder = folder;
    profile.store = store;
    profile.isDefault = name == "Default";
    profile.browserRunning = holdsEntry(root, kChromiumLock);
    out.push_back(std::move(profile));
}

void chromiumProfilesIn(const BrowserInfo& browser, const std::string& root, std::vector<BrowserProfile>& out)
{
    // Opera keeps its only profile in the user data folder itself.
    addChromiumProfile(browser, root, root, "Default", out);
    std::vector<FolderEntry> entries = listFolder(root);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : entries)
        if (entry.isFolder && (entry.name == "Default" || entry.name.starts_with("Profile ")))
            addChromiumProfile(browser, root, root + "/" + entry.name, entry.name, out);
}

void addFirefoxProfile(const BrowserInfo& browser, const std::string& folder, const std::string& name, bool isDefault,
                       std::vector<BrowserProfile>& out)
{
    const std::string store = folder + "/cookies.sqlite";
    if (!fileExists(store))
        return;
    BrowserProfile profile;
    profile.browser = &browser;
    profile.name = name.empty() ? folderName(folder) : name;
    profile.folder = folder;
    profile.store = store;
    profile.isDefault = isDefault;
    profile.browserRunning = holdsEntry(folder, kFirefoxLock);
    out.push_back(std::move(profile));
}

void firefoxProfilesIn(const BrowserInfo& browser, const std::string& root, std::vector<BrowserProfile>& out)
{
    std::string ini;
    if (!readWholeFile(root + "/profiles.ini", kMaxIniBytes, ini))
        return;
    for (const FirefoxProfileEntry& entry : firefoxProfilesOf(ini, root))
        addFirefoxProfile(browser, entry.folder, entry.name, entry.isDefault, out);
}

void profilesIn(const BrowserInfo& browser, const std::string& root, std::vector<BrowserProfile>& out)
{
    if (browser.family == BrowserFamily::Firefox)
        firefoxProfilesIn(browser, root, out);
    else
        chromiumProfilesIn(browser, root, out);
}

// A path given as the profile: a profile folder itself, or a root holding profiles.
std::vector<BrowserProfile> profilesAtPath(const BrowserInfo& browser, const std::string& path)
{
    std::vector<BrowserProfile> found;
    if (browser.family == BrowserFamily::Firefox) {
        addFirefoxProfile(browser, path, std::string(), true, found);
        if (found.empty())
            firefoxProfilesIn(browser, path, found);
    } else {
        const size_t slash = path.find_last_of('/');
        addChromiumProfile(browser, slash == std::string::npos ? path : path.substr(0, slash), path, folderName(path),
                           found);
        if (found.empty())
            chromiumProfilesIn(browser, path, found);
    }
    return found;
}

}  // namespace

std::string BrowserProfile::label() const
{
    return std::string(browser ? browser->key : "?") + " (" + name + ")";
}

std::vector<BrowserProfile> browserProfiles(const BrowserInfo& browser)
{
    std::vector<BrowserProfile> profiles;
    for (const std::string& root : browserRoots(browser))
        if (folderExists(root))
            profilesIn(browser, root, profiles);
    std::vector<BrowserProfile> unique;
    for (BrowserProfile& profile : profiles) {
        const bool seen = std::any_of(unique.begin(), unique.end(),
                                      [&](const BrowserProfile& u) { return u.store == profile.store; });
        if (!seen)
            unique.push_back(std::move(profile));
    }
    return unique;
}

std::vector<BrowserProfile> allBrowserProfiles()
{
    std::vector<BrowserProfile> all;
    for (const BrowserInfo& browser : knownBrowsers())
        for (BrowserProfile& profile : browserProfiles(browser))
            all.push_back(std::move(profile));
    return all;
}

bool parseBrowserChoice(std::string_view text, BrowserChoice& choice, std::string& error)
{
    const size_t colon = text.find(':');
    std::string key(text.substr(0, colon));
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    const BrowserInfo* browser = findBrowser(key);
    if (!browser) {
        error = "unknown browser \"" + key + "\" (one of " + knownBrowserNames() + ")";
        return false;
    }
    choice.browser = browser;
    choice.profile = colon == std::string_view::npos ? std::string() : std::string(text.substr(colon + 1));
    return true;
}

std::vector<BrowserProfile> chosenProfiles(const BrowserChoice& choice, std::string& error)
{
    if (!choice.browser) {
        error = "no browser chosen";
        return {};
    }
    const std::string key = choice.browser->key;
    if (choice.profile.find('/') != std::string::npos) {
        std::vector<BrowserProfile> found = profilesAtPath(*choice.browser, choice.profile);
        if (found.empty())
            error = key + ": no cookie store in " + choice.profile;
        return found;
    }
    std::vector<BrowserProfile> all = browserProfiles(*choice.browser);
    if (all.empty()) {
        error = key + ": no profile with a cookie store found";
        return all;
    }
    if (choice.profile.empty())
        return all;
    std::vector<BrowserProfile> named;
    for (BrowserProfile& profile : all)
        if (profile.name == choice.profile || folderName(profile.folder) == choice.profile)
            named.push_back(std::move(profile));
    if (named.empty())
        error = key + ": no profile named \"" + choice.profile + "\"";
    return named;
}

}  // namespace pelmora::cookie
