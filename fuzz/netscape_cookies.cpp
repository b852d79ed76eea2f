// Fuzz target: a Netscape cookies.txt file, as the cookie folder or PELMORA_COOKIES gives it,
// recognised, parsed and turned into the Cookie header of a request.
// Links pelmora_cookie (with SQLite, OpenSSL's libcrypto and libpsl behind it).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/cookie/cookie_rules.h"
#include "engine/cookie/netscape_cookies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pelmora::cookie;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)looksLikeNetscapeCookies(text);
    const NetscapeParse parse = parseNetscapeCookies(text);
    CookieRequest request;
    for (const char* address : {"http://www.nicovideo.jp/watch/sm9", "https://live.nicovideo.jp/my/x"}) {
        if (!parseCookieRequest(address, request))
            __builtin_trap();
        const std::string header = cookieHeader(applicableCookies(parse.cookies, request, 1700000000));
        // Nothing that passes the rules may break the header it goes into.
        for (const char c : header)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                __builtin_trap();
    }
    return 0;
}
