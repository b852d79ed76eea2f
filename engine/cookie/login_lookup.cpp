#include "engine/cookie/login_lookup.h"

#include <vector>

#include "engine/cookie/browser_profiles.h"
#include "engine/cookie/cookie_paths.h"
#include "engine/cookie/cookie_rules.h"
#include "engine/cookie/login_cookie.h"
#include "engine/cookie/netscape_cookies.h"
#include "engine/cookie/store_readers.h"

namespace pelmora::cookie {
namespace {

// The newest use of a login cookie among `cookies`; -1 when none is a login cookie.
int64_t loginLastAccess(const std::vector<StoredCookie>& cookies, const CookieRequest& request)
{
    int64_t latest = -1;
    for (const StoredCookie& cookie : cookies)
        if (isLoginCookie(cookie, request) && cookie.lastAccess > latest)
            latest = cookie.lastAccess;
    return latest;
}

LoginLookup badAddress(const std::string& address)
{
    LoginLookup lookup;
    lookup.report = "no host in the address \"" + address + "\"";
    return lookup;
}

// The best of `profiles`: the store whose login cookie was used last.
LoginLookup bestOf(const std::vector<BrowserProfile>& profiles, const CookieRequest& request, int64_t nowSeconds)
{
    LoginLookup best;
    int64_t bestAccess = -1;
    std::vector<std::string> problems;
    ChromiumKeys keys;
    for (const BrowserProfile& profile : profiles) {
        StoreRead read;
        if (!readProfileStore(profile, request, nowSeconds, keys, read)) {
            problems.push_back(profile.label() + ": " + read.error);
            continue;
        }
        const int64_t access = loginLastAccess(read.cookies, request);
        if (access < 0) {
            problems.push_back(profile.label() + ": " + (read.loginError.empty() ? "no login cookie" : read.loginError));
            continue;
        }
        if (access > bestAccess) {
            bestAccess = access;
            best.found = true;
            best.cookie = cookieHeader(read.cookies);
            best.source = profile.label();
        }
    }
    if (!best.found) {
        best.report = "no login cookie for " + request.host + " in ";
        if (problems.empty()) {
            best.report += "any browser: no browser cookie store found";
        } else {
            for (size_t i = 0; i < problems.size(); ++i)
                best.report += (i ? "; " : "") + problems[i];
        }
    }
    return best;
}

}  // namespace

LoginLookup lookUpCookiesFile(const std::string& path, const std::string& address, int64_t nowSeconds)
{
    LoginLookup lookup;
    CookieRequest request;
    if (!parseCookieRequest(address, request))
        return badAddress(address);
    const std::string name = "cookies.txt " + path;
    std::string text;
    if (!readWholeFile(path, static_cast<int64_t>(kMaxNetscapeFileBytes), text)) {
        lookup.report = name + ": the file cannot be read (missing, unreadable or larger than " +
                        std::to_string(kMaxNetscapeFileBytes >> 20) + " MB)";
        return lookup;
    }
    if (!looksLikeNetscapeCookies(text)) {
        lookup.report = name + ": not a Netscape cookies.txt file";
        return lookup;
    }
    const std::vector<StoredCookie> cookies = applicableCookies(parseNetscapeCookies(text).cookies, request, nowSeconds);
    if (loginLastAccess(cookies, request) < 0) {
        lookup.report = name + ": no login cookie for " + request.host;
        return lookup;
    }
    lookup.found = true;
    lookup.cookie = cookieHeader(cookies);
    lookup.source = name;
    return lookup;
}

LoginLookup lookUpChosenBrowser(const std::string& choice, const std::string& address, int64_t nowSeconds)
{
    LoginLookup lookup;
    CookieRequest request;
    if (!parseCookieRequest(address, request))
        return badAddress(address);
    BrowserChoice chosen;
    std::string error;
    if (!parseBrowserChoice(choice, chosen, error)) {
        lookup.report = error;
        return lookup;
    }
    const std::vector<BrowserProfile> profiles = chosenProfiles(chosen, error);
    if (profiles.empty()) {
        lookup.report = error;
        return lookup;
    }
    return bestOf(profiles, request, nowSeconds);
}

LoginLookup lookUpAllBrowsers(const std::string& address, int64_t nowSeconds)
{
    CookieRequest request;
    if (!parseCookieRequest(address, request))
        return badAddress(address);
    return bestOf(allBrowserProfiles(), request, nowSeconds);
}

}  // namespace pelmora::cookie
