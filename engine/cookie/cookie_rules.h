#pragma once
// The rules a browser applies before it sends a stored cookie (RFC 6265, section 5): the
// domain (host-only or the domain and its subdomains, never an IP address's "parents"), the
// path, Secure only over https, and the expiry. Every store reader hands its rows through here,
// so that no store sends the login anywhere a browser would not.

#include <string>
#include <string_view>
#include <vector>

#include "engine/cookie/stored_cookie.h"

namespace pelmora::cookie {

// "https://www.nicovideo.jp/watch/sm9?x#y" -> {www.nicovideo.jp, /watch/sm9, secure}. An address
// without a scheme counts as http. False when no host can be taken from it.
bool parseCookieRequest(std::string_view address, CookieRequest& out);

// RFC 6265 5.1.3 and 5.1.4.
bool domainMatches(const StoredCookie& cookie, const std::string& host);
bool pathMatches(const std::string& cookiePath, const std::string& requestPath);

// Whether a browser would send `cookie` with `request` at `nowSeconds`. A domain cookie whose
// domain is a public suffix ("co.jp") is refused as a browser refuses to store one, and so is a
// name or value that would break the Cookie header (control bytes, ";").
bool cookieApplies(const StoredCookie& cookie, const CookieRequest& request, int64_t nowSeconds);

// The name or value can be written into a Cookie header as it is.
bool headerSafe(std::string_view name, std::string_view value);

// The cookies of `all` that apply, in the order a browser sends them (longer paths first, then
// earlier creation), one per name, domain and path.
std::vector<StoredCookie> applicableCookies(const std::vector<StoredCookie>& all, const CookieRequest& request,
                                            int64_t nowSeconds);

// "a=1; b=2".
std::string cookieHeader(const std::vector<StoredCookie>& cookies);

// ASCII letters in lower case.
std::string lowerAscii(std::string_view text);

// Sets the domain and host-only flag from a host as the browsers store it: ".example.com" for
// a cookie of the domain and its subdomains, "www.example.com" for one of that host only.
void setStoredHost(StoredCookie& cookie, std::string_view storedHost);

// Seconds since 1970, now.
int64_t unixNow();

}  // namespace pelmora::cookie
