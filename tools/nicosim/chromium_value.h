#pragma once
// How a Chromium-family browser on a desktop without keyring stores a cookie value: "v10",
// then AES-128-CBC (IV of 16 spaces, PKCS#7 padding) under PBKDF2-HMAC-SHA1("peanuts",
// "saltysalt", 1 iteration, 16 bytes); from database version 24 the plain text starts with the
// SHA-256 of the host_key.

#include <string>
#include <vector>

namespace nicosim {

// Empty when the cryptography library fails.
std::vector<unsigned char> encryptChromiumValue(const std::string& hostKey, const std::string& value,
                                                int databaseVersion);

} // namespace nicosim
