#pragma once
// The encryption of Chromium-family cookie values on Linux: "v10" or "v11", then AES-128-CBC
// ciphertext (IV of 16 spaces, PKCS#7 padding) under the key PBKDF2-HMAC-SHA1(password,
// "saltysalt", 1 iteration, 16 bytes). "v10" uses the fixed password "peanuts"; "v11" the
// browser's secret from the desktop keyring. From database version 24 on, the plain text starts
// with the SHA-256 of the cookie's host_key. The only place that does cryptography for cookies.

#include <array>
#include <string>
#include <string_view>

namespace pelmora::cookie {

using ChromiumKey = std::array<unsigned char, 16>;

// The password of "v10" values, and of "v11" ones when no keyring holds a secret.
inline constexpr const char* kFixedChromiumPassword = "peanuts";
// The database version from which values carry the host's hash.
inline constexpr int kHostPrefixVersion = 24;

ChromiumKey deriveChromiumKey(std::string_view password);

enum class ValueVersion { V10, V11, Unknown };
// The version a stored encrypted value names by its first three bytes.
ValueVersion encryptedValueVersion(std::string_view encrypted);

enum class DecryptResult {
    Ok,
    UnknownVersion,  // neither "v10" nor "v11"
    WrongKey,        // the padding does not check out: another key encrypted it
    HostMismatch,    // the hash at the start is not that of the host: the value was moved or the key is wrong
    NotText,         // the plain text holds bytes no Cookie header may carry
};

// Decrypts one `encrypted_value`. `hostKey` is the row's host_key and `databaseVersion` the
// meta table's version. `value` is set only on Ok.
DecryptResult decryptChromiumValue(std::string_view encrypted, const ChromiumKey& key, std::string_view hostKey,
                                   int databaseVersion, std::string& value);

const char* decryptResultText(DecryptResult result);

}  // namespace pelmora::cookie
