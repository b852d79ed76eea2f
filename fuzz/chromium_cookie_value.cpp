// Fuzz target: one Chromium-family encrypted cookie value with its host and the database
// version, decrypted and its host prefix checked. The first input byte picks the database
// version (bit 0: 24 with the host prefix, else 18) and the key (bit 1: the fixed "peanuts"
// key, else the empty password's); the next byte is the host's length, then the host, then
// the stored value ("v10" or "v11" and the ciphertext).
// Links pelmora_cookie (with SQLite, OpenSSL's libcrypto and libpsl behind it).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/cookie/chromium_crypto.h"
#include "engine/cookie/cookie_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace pelmora::cookie;
    if (size < 2)
        return 0;
    static const ChromiumKey peanuts = deriveChromiumKey(kFixedChromiumPassword);
    static const ChromiumKey empty = deriveChromiumKey("");
    const int version = (data[0] & 1) ? kHostPrefixVersion : 18;
    const ChromiumKey& key = (data[0] & 2) ? peanuts : empty;
    const size_t hostLength = data[1] < size - 2 ? data[1] : size - 2;
    const std::string_view host(reinterpret_cast<const char*>(data + 2), hostLength);
    const std::string_view value(reinterpret_cast<const char*>(data + 2 + hostLength), size - 2 - hostLength);
    std::string plain = "untouched";
    const DecryptResult result = decryptChromiumValue(value, key, host, version, plain);
    // A value only comes out when it can go into a Cookie header as it is.
    if (result == DecryptResult::Ok && !headerSafe("x", plain))
        __builtin_trap();
    if (result != DecryptResult::Ok && plain != "untouched")
        __builtin_trap();
    return 0;
}
