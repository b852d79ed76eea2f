#include "engine/cookie/browser_cookie.h"

#include <utility>

#include "engine/cookie/cookie_paths.h"
#include "engine/cookie/cookie_rules.h"
#include "engine/cookie/cookie_text_file.h"
#include "engine/cookie/login_lookup.h"
#include "engine/cookie/netscape_cookies.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/find.h"
#include "qarvo/platform/user_folders.h"

namespace pelmora::cookie {
namespace {

namespace System = qarvo::common::System;

thread_local std::string t_report;

qarvo::C_WString withSeparator(qarvo::C_WString folder)
{
    if (!folder.IsEmpty() && !folder.EndsWith(u"/") && !folder.EndsWith(u"\\"))
        folder.Append(u"/");
    return folder;
}

bool readSmallFile(const qarvo::C_WString& path, std::string& text)
{
    return readWholeFile(System::utf16_to_utf8(path).std(), kMaxCookieFileBytes, text);
}

// The Cookie header a folder file gives for `address`: a Netscape file's cookies that apply,
// or the pairs of a nine-line file that names `domain` (all of them, as the format has always
// been read). Empty when the file has nothing for the address.
std::string folderFileCookie(const std::string& text, const std::string& address, const std::string& domain)
{
    if (looksLikeNetscapeCookies(text)) {
        CookieRequest request;
        if (!parseCookieRequest(address, request))
            return std::string();
        return cookieHeader(applicableCookies(parseNetscapeCookies(text).cookies, request, unixNow()));
    }
    return domain.empty() || cookieFileMentions(text, domain) ? cookieFilePairs(text) : std::string();
}

// The newest of the files matching `pattern` in `folder` that give a cookie, by last-write
// time; on a tie the first listed wins.
bool newestFileCookie(const qarvo::C_WString& folder, const char16_t* pattern, const std::string& address,
                      const std::string& domain, std::string& chosen)
{
    qarvo::C_Find find;
    if (!find.SetVtlDir(folder) || !find.Start(qarvo::C_WString(pattern), 1) || find.GetFindCount() == 0)
        return false;
    bool found = false;
    int64_t best = 0;
    qarvo::tag_FindInfo info;
    for (int i = 0; find.GetFindInfo(&info, i); ++i) {
        if (info.attributes & qarvo::FindAttribute::SubDir)
            continue;
        std::string text;
        if (!readSmallFile(folder + info.name, text))
            continue;
        std::string cookie = folderFileCookie(text, address, domain);
        if (cookie.empty())
            continue;
        if (!found || info.writeTime > best) {
            found = true;
            best = info.writeTime;
            chosen = std::move(cookie);
        }
    }
    return found;
}

// "http://www.nicovideo.jp/watch/sm9" -> "nicovideo.jp".
std::string cookieDomainOf(std::string address)
{
    if (address.starts_with("http")) {
        const size_t slashes = address.find("//");
        address = slashes == std::string::npos ? std::string() : address.substr(slashes + 2);
    }
    if (address.starts_with("www."))
        address.erase(0, address.find('.') + 1);
    const size_t slash = address.find('/');
    if (slash != std::string::npos)
        address.resize(slash);
    return address;
}

std::string loginName()
{
    // The login name as the session names it; the password database is not consulted.
    for (const char* name : {"USER", "LOGNAME"}) {
        std::string value = environment(name);
        if (!value.empty())
            return value;
    }
    return std::string();
}

bool take(const LoginLookup& lookup, qarvo::C_String& cookie)
{
    t_report = lookup.found ? std::string() : lookup.report;
    if (lookup.found)
        cookie = qarvo::C_String(lookup.cookie);
    return lookup.found;
}

}  // namespace

qarvo::C_WString getCookieFolder()
{
    const std::string explicitDir = environment("PELMORA_COOKIE_DIR");
    if (!explicitDir.empty())
        return widePath(explicitDir);
    const std::string dataHome = qarvo::platform::userDataFolder();
    return dataHome.empty() ? qarvo::C_WString() : widePath(dataHome + "/PelmoraVista/Cookies");
}

std::string takeLookupReport()
{
    return std::exchange(t_report, std::string());
}

bool getInterfaceCookie(const char* address, qarvo::C_String& cookie)
{
    if (!address)
        return false;
    const std::string choice = environment(kCookiesFromBrowserVariable);
    return take(choice.empty() ? lookUpAllBrowsers(address, unixNow()) : lookUpChosenBrowser(choice, address, unixNow()),
                cookie);
}

bool getTxtFileCookie(qarvo::C_WString folder, const qarvo::C_String& address, qarvo::C_String& cookie)
{
    const std::string domain = cookieDomainOf(address.std());
    if (domain.empty() || folder.IsEmpty())
        return false;
    std::string found;
    if (!newestFileCookie(withSeparator(folder), u"*.txt", address.std(), domain, found))
        return false;
    cookie = qarvo::C_String(found);
    return true;
}

bool getUserNameFileCookie(qarvo::C_WString folder, const qarvo::C_String& address, qarvo::C_String& cookie)
{
    const std::string user = loginName();
    if (user.empty() || folder.IsEmpty())
        return false;
    folder = withSeparator(folder);
    const int start = address.IndexOf('/', 6);
    if (start < 0)
        return false;
    const int end = address.IndexOf('/', start + 1);
    std::string host = end < 0 ? address.SubString(start + 1).std() : address.SubString(start + 1, end - 1).std();
    if (host.starts_with("www."))
        host.erase(0, 4);
    const std::string label = host.substr(0, host.find('.'));
    if (label.empty())
        return false;
    const qarvo::C_WString pattern = widePath(user + "@" + label + "*.*");
    std::string found;
    // The file is the user's own for the site: any nine-line file counts, whatever it names.
    if (!newestFileCookie(folder, pattern.c_str(), address.std(), std::string(), found))
        return false;
    cookie = qarvo::C_String(found);
    return true;
}

bool getBrowserCookie(qarvo::C_String& cookie, const char* address, bool scanTxtFiles, qarvo::C_WString folder)
{
    t_report.clear();
    if (!address)
        return false;
    // A choice the user made is the only source: a failure is told, not papered over.
    const std::string file = environment(kCookiesFileVariable);
    if (!file.empty())
        return take(lookUpCookiesFile(file, address, unixNow()), cookie);
    if (getInterfaceCookie(address, cookie))
        return true;
    if (!environment(kCookiesFromBrowserVariable).empty())
        return false;

    const std::string browsersReport = t_report;
    folder = withSeparator(folder);
    const qarvo::C_String addressText(address);
    if ((scanTxtFiles && getTxtFileCookie(folder, addressText, cookie)) ||
        getUserNameFileCookie(folder, addressText, cookie)) {
        t_report.clear();
        return true;
    }
    t_report = browsersReport + "; nor in the cookie folder " +
               (folder.IsEmpty() ? std::string("(none)") : System::utf16_to_utf8(folder).std());
    return false;
}

}  // namespace pelmora::cookie
