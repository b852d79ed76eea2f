#include <chrono>

#include "engine/cookie/browser_cookie.h"
#include "engine/cookie/firefox_profiles.h"
#include "engine/cookie/firefox_store.h"

namespace pelmora::cookie {
namespace {

// The host of an address, in lower case, without port.
std::string addressHost(std::string address)
{
    const size_t scheme = address.find("://");
    if (scheme != std::string::npos)
        address.erase(0, scheme + 3);
    const size_t end = address.find_first_of("/?#:");
    if (end != std::string::npos)
        address.resize(end);
    for (char& c : address)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return address;
}

}  // namespace

bool getInterfaceCookie(const char* address, qarvo::C_String& cookie)
{
    if (!address)
        return false;
    const std::string store = findFirefoxCookieStore();
    if (store.empty())
        return false;
    const int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
    std::string found;
    if (!readFirefoxCookies(store, addressHost(address), now, found))
        return false;
    cookie = qarvo::C_String(found);
    return true;
}

}  // namespace pelmora::cookie
