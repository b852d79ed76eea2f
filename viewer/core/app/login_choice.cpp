#include "viewer/core/app/login_choice.h"

#include <atomic>

#include "engine/cookie/browser_profiles.h"
#include "engine/cookie/login_lookup.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/ini/ini_file.h"
#include "qarvo/platform/environment.h"

namespace pelmora::viewer {
namespace {

namespace System = qarvo::common::System;
using qarvo::C_WString;

C_WString wide(const std::string& utf8)
{
    return System::utf8_to_utf16(qarvo::C_String(utf8));
}

std::string narrow(const C_WString& text)
{
    return System::utf16_to_utf8(text).std();
}

std::atomic<bool> g_applied{false};

}  // namespace

std::vector<LoginChoiceEntry> LoginChoiceEntries()
{
    std::vector<LoginChoiceEntry> entries{{C_WString(u"自動"), C_WString(kCookieAuto)}};
    for (const cookie::BrowserInfo& browser : cookie::knownBrowsers()) {
        const std::vector<cookie::BrowserProfile> profiles = cookie::browserProfiles(browser);
        if (profiles.empty())
            continue;
        entries.push_back({wide(browser.displayName), wide(browser.key)});
        if (profiles.size() > 1)
            for (const cookie::BrowserProfile& profile : profiles)
                entries.push_back({wide(std::string(browser.displayName) + ": " + profile.name),
                                   wide(std::string(browser.key) + ":" + profile.name)});
    }
    entries.push_back({C_WString(u"cookies.txt…"), C_WString(kCookieTxt)});
    return entries;
}

void ApplyLoginChoice(const C_WString& settingsPath)
{
    qarvo::C_WIniFile ini(settingsPath);
    if (!ini.IsExistStr(C_WString(kCookieBrowserKey)))
        return;
    const C_WString choice = ini.GetStr(C_WString(kCookieBrowserKey));
    const C_WString file = ini.GetStr(C_WString(kCookieFileKey));
    std::string browser;
    std::string cookiesFile;
    if (choice == kCookieTxt)
        cookiesFile = narrow(file);
    else if (choice != kCookieAuto)
        browser = narrow(choice);
    // Both variables are always set (empty means no choice), so that a later change replaces
    // a value instead of growing the environment while engine jobs read it.
    qarvo::platform::setEnvironment(cookie::kCookiesFromBrowserVariable, browser.c_str());
    qarvo::platform::setEnvironment(cookie::kCookiesFileVariable, cookiesFile.c_str());
}

void ApplyLoginChoiceOnce(const C_WString& settingsPath)
{
    if (!g_applied.exchange(true))
        ApplyLoginChoice(settingsPath);
}

}  // namespace pelmora::viewer
