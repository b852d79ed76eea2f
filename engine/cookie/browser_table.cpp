#include "engine/cookie/browser_table.h"

#include "engine/cookie/cookie_paths.h"

namespace pelmora::cookie {
namespace {

// Folders under $HOME unless they start with "$CONFIG" ($XDG_CONFIG_HOME or ~/.config).
struct RootPattern {
    const char* browser;
    const char* folder;
};

constexpr RootPattern kRoots[] = {
    // Firefox keeps its profiles in the configuration folder from version 147 on.
    {"firefox", "$CONFIG/mozilla/firefox"},
    {"firefox", ".mozilla/firefox"},
    {"firefox", ".var/app/org.mozilla.firefox/.mozilla/firefox"},
    {"firefox", "snap/firefox/common/.mozilla/firefox"},
    {"librewolf", ".librewolf"},
    {"librewolf", ".var/app/io.gitlab.librewolf-community/.librewolf"},
    {"waterfox", ".waterfox"},
    {"waterfox", ".var/app/net.waterfox.waterfox/.waterfox"},
    {"floorp", ".floorp"},
    {"floorp", ".var/app/one.ablaze.floorp/.floorp"},
    {"chromium", "$CONFIG/chromium"},
    {"chromium", ".var/app/org.chromium.Chromium/config/chromium"},
    {"chromium", "snap/chromium/common/chromium"},
    {"chrome", "$CONFIG/google-chrome"},
    {"chrome", ".var/app/com.google.Chrome/config/google-chrome"},
    {"brave", "$CONFIG/BraveSoftware/Brave-Browser"},
    {"brave", ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser"},
    {"brave", "snap/brave/current/.config/BraveSoftware/Brave-Browser"},
    {"edge", "$CONFIG/microsoft-edge"},
    {"edge", ".var/app/com.microsoft.Edge/config/microsoft-edge"},
    {"vivaldi", "$CONFIG/vivaldi"},
    {"vivaldi", ".var/app/com.vivaldi.Vivaldi/config/vivaldi"},
    {"opera", "$CONFIG/opera"},
    {"opera", ".var/app/com.opera.Opera/config/opera"},
    {"opera", "snap/opera/current/.config/opera"},
};

constexpr std::string_view kConfigMark = "$CONFIG/";

}  // namespace

const std::vector<BrowserInfo>& knownBrowsers()
{
    // Vivaldi keeps its secret under Chrome's name and Opera under Chromium's.
    static const std::vector<BrowserInfo> browsers = {
        {"firefox", "Firefox", BrowserFamily::Firefox, ""},
        {"librewolf", "LibreWolf", BrowserFamily::Firefox, ""},
        {"waterfox", "Waterfox", BrowserFamily::Firefox, ""},
        {"floorp", "Floorp", BrowserFamily::Firefox, ""},
        {"chromium", "Chromium", BrowserFamily::Chromium, "Chromium"},
        {"chrome", "Google Chrome", BrowserFamily::Chromium, "Chrome"},
        {"brave", "Brave", BrowserFamily::Chromium, "Brave"},
        {"edge", "Microsoft Edge", BrowserFamily::Chromium, "Microsoft Edge"},
        {"vivaldi", "Vivaldi", BrowserFamily::Chromium, "Chrome"},
        {"opera", "Opera", BrowserFamily::Chromium, "Chromium"},
    };
    return browsers;
}

const BrowserInfo* findBrowser(std::string_view key)
{
    for (const BrowserInfo& browser : knownBrowsers())
        if (key == browser.key)
            return &browser;
    return nullptr;
}

std::string knownBrowserNames()
{
    std::string names;
    for (const BrowserInfo& browser : knownBrowsers())
        names += (names.empty() ? "" : ", ") + std::string(browser.key);
    return names;
}

std::vector<std::string> browserRoots(const BrowserInfo& browser)
{
    std::vector<std::string> roots;
    const std::string home = homeFolder();
    const std::string config = configFolder();
    for (const RootPattern& pattern : kRoots) {
        if (std::string_view(pattern.browser) != browser.key)
            continue;
        const std::string_view folder = pattern.folder;
        if (folder.starts_with(kConfigMark)) {
            if (!config.empty())
                roots.push_back(config + "/" + std::string(folder.substr(kConfigMark.size())));
        } else if (!home.empty()) {
            roots.push_back(home + "/" + std::string(folder));
        }
    }
    return roots;
}

}  // namespace pelmora::cookie
