#include "engine/cookie/browser_cookie.h"

#include <cstdlib>
#include <string>

#include "engine/cookie/cookie_text_file.h"
#include "qarvo/charcode/system_charcode.h"
#include "qarvo/file/file_stream.h"
#include "qarvo/file/find.h"

namespace pelmora::cookie {
namespace {

namespace System = qarvo::common::System;

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

qarvo::C_WString widePath(const std::string& utf8)
{
    return System::utf8_to_utf16(qarvo::C_String(utf8));
}

qarvo::C_WString withSeparator(qarvo::C_WString folder)
{
    if (!folder.IsEmpty() && !folder.EndsWith(u"/") && !folder.EndsWith(u"\\"))
        folder.Append(u"/");
    return folder;
}

bool readSmallFile(const qarvo::C_WString& path, std::string& text)
{
    qarvo::C_BinaryMemory data;
    if (!qarvo::C_FileStream::ReadAll(path, data) || data.Length() > kMaxCookieFileBytes)
        return false;
    text.assign(reinterpret_cast<const char*>(data.Get() ? data.Get() : reinterpret_cast<const unsigned char*>("")),
                static_cast<size_t>(data.Length()));
    return true;
}

// The newest of the files matching `pattern` in `folder` that `accept` takes, by last-write
// time; on a tie the first listed wins.
template <class Accept>
bool newestFile(const qarvo::C_WString& folder, const char16_t* pattern, std::string& chosenText, Accept accept)
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
        if (!readSmallFile(folder + info.name, text) || !accept(text))
            continue;
        if (!found || info.writeTime > best) {
            found = true;
            best = info.writeTime;
            chosenText = std::move(text);
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

}  // namespace

qarvo::C_WString getCookieFolder()
{
    const std::string explicitDir = environment("PELMORA_COOKIE_DIR");
    if (!explicitDir.empty())
        return widePath(explicitDir);
    std::string dataHome = environment("XDG_DATA_HOME");
    if (dataHome.empty()) {
        const std::string home = environment("HOME");
        if (home.empty())
            return qarvo::C_WString();
        dataHome = home + "/.local/share";
    }
    return widePath(dataHome + "/PelmoraVista/Cookies");
}

bool getTxtFileCookie(qarvo::C_WString folder, const qarvo::C_String& address, qarvo::C_String& cookie)
{
    const std::string domain = cookieDomainOf(address.std());
    if (domain.empty() || folder.IsEmpty())
        return false;
    folder = withSeparator(folder);
    std::string text;
    if (!newestFile(folder, u"*.txt", text, [&](const std::string& t) { return cookieFileMentions(t, domain); }))
        return false;
    cookie = qarvo::C_String(cookieFilePairs(text));
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
    std::string text;
    if (!newestFile(folder, pattern.c_str(), text, [](const std::string&) { return true; }))
        return false;
    cookie = qarvo::C_String(cookieFilePairs(text));
    return true;
}

bool getBrowserCookie(qarvo::C_String& cookie, const char* address, bool scanTxtFiles, qarvo::C_WString folder)
{
    if (!address)
        return false;
    folder = withSeparator(folder);
    const qarvo::C_String addressText(address);
    if (getInterfaceCookie(address, cookie))
        return true;
    if (scanTxtFiles && getTxtFileCookie(folder, addressText, cookie))
        return true;
    return getUserNameFileCookie(folder, addressText, cookie);
}

}  // namespace pelmora::cookie
