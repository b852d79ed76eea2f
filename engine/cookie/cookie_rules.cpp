#include "engine/cookie/cookie_rules.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <tuple>

#include "engine/cookie/public_suffix.h"

namespace pelmora::cookie {
std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

void setStoredHost(StoredCookie& cookie, std::string_view storedHost)
{
    cookie.hostOnly = !storedHost.starts_with(".");
    if (!cookie.hostOnly)
        storedHost.remove_prefix(1);
    cookie.domain = lowerAscii(storedHost);
}

bool parseCookieRequest(std::string_view address, CookieRequest& out)
{
    CookieRequest request;
    const size_t scheme = address.find("://");
    if (scheme != std::string_view::npos) {
        request.secure = lowerAscii(address.substr(0, scheme)) == "https";
        address.remove_prefix(scheme + 3);
    }
    const size_t hostEnd = address.find_first_of("/?#");
    std::string_view authority = address.substr(0, hostEnd);
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    // "[::1]:80" keeps its brackets; "name:80" loses the port.
    const size_t colon = authority.rfind(':');
    const size_t bracket = authority.find(']');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || bracket < colon))
        authority = authority.substr(0, colon);
    request.host = lowerAscii(authority);
    while (!request.host.empty() && request.host.back() == '.')
        request.host.pop_back();
    if (request.host.empty())
        return false;
    if (hostEnd != std::string_view::npos && address[hostEnd] == '/') {
        std::string_view path = address.substr(hostEnd);
        path = path.substr(0, path.find_first_of("?#"));
        request.path = std::string(path);
    }
    out = std::move(request);
    return true;
}

bool domainMatches(const StoredCookie& cookie, const std::string& host)
{
    if (cookie.domain.empty() || host.empty())
        return false;
    if (host == cookie.domain)
        return true;
    if (cookie.hostOnly || isIpAddress(host))
        return false;
    return host.size() > cookie.domain.size() && host.ends_with(cookie.domain) &&
           host[host.size() - cookie.domain.size() - 1] == '.';
}

bool pathMatches(const std::string& cookiePath, const std::string& requestPath)
{
    // A stored path that does not start with "/" is the default path "/".
    if (cookiePath.empty() || cookiePath.front() != '/')
        return true;
    if (cookiePath == requestPath)
        return true;
    if (!requestPath.starts_with(cookiePath))
        return false;
    return cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}

bool headerSafe(std::string_view name, std::string_view value)
{
    auto safe = [](std::string_view text, bool isName) {
        for (const char c : text) {
            const unsigned char u = static_cast<unsigned char>(c);
            if (u < 0x20 || u == 0x7F || c == ';' || (isName && (c == '=' || c == ' ' || c == ',')))
                return false;
        }
        return true;
    };
    return !name.empty() && safe(name, true) && safe(value, false);
}

bool cookieApplies(const StoredCookie& cookie, const CookieRequest& request, int64_t nowSeconds)
{
    if (!domainMatches(cookie, request.host) || !pathMatches(cookie.path, request.path))
        return false;
    if (cookie.secure && !request.secure)
        return false;
    if (cookie.expires > 0 && cookie.expires <= nowSeconds)
        return false;
    // A browser refuses a cookie set for a whole registry; a store or file holding one is
    // not taken at its word.
    if (!cookie.hostOnly && cookie.domain != request.host && isPublicSuffix(cookie.domain))
        return false;
    return headerSafe(cookie.name, cookie.value);
}

std::vector<StoredCookie> applicableCookies(const std::vector<StoredCookie>& all, const CookieRequest& request,
                                            int64_t nowSeconds)
{
    std::vector<StoredCookie> chosen;
    for (const StoredCookie& cookie : all)
        if (cookieApplies(cookie, request, nowSeconds))
            chosen.push_back(cookie);
    std::stable_sort(chosen.begin(), chosen.end(), [](const StoredCookie& a, const StoredCookie& b) {
        if (a.path.size() != b.path.size())
            return a.path.size() > b.path.size();
        return a.creation < b.creation;
    });
    // A store may hold the same cookie twice (a file listing it twice); the first one counts.
    std::vector<StoredCookie> unique;
    for (StoredCookie& cookie : chosen) {
        const bool seen = std::any_of(unique.begin(), unique.end(), [&](const StoredCookie& u) {
            return std::tie(u.name, u.domain, u.path, u.hostOnly) ==
                   std::tie(cookie.name, cookie.domain, cookie.path, cookie.hostOnly);
        });
        if (!seen)
            unique.push_back(std::move(cookie));
    }
    return unique;
}

std::string cookieHeader(const std::vector<StoredCookie>& cookies)
{
    std::string header;
    for (const StoredCookie& cookie : cookies) {
        if (!header.empty())
            header += "; ";
        header += cookie.name + "=" + cookie.value;
    }
    return header;
}

int64_t unixNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace pelmora::cookie
