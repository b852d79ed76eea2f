#pragma once
// The public-suffix list (Debian's libpsl and its list in /usr/share/publicsuffix): which part
// of a host name is a registry's ("jp", "co.jp", "github.io") and which is one site's. The only
// place that talks to libpsl.

#include <string>
#include <string_view>

namespace pelmora::cookie {

// True for a dotted IPv4 address or a bracketed or colon-holding IPv6 address.
bool isIpAddress(std::string_view host);

// The site a host belongs to: its public suffix plus one label ("www.example.co.jp" ->
// "example.co.jp"). An IP address, a single label or a public suffix itself is its own site.
// Lower case.
std::string registrableDomain(std::string_view host);

// True when `host` is a public suffix ("jp", "co.jp").
bool isPublicSuffix(std::string_view host);

}  // namespace pelmora::cookie
