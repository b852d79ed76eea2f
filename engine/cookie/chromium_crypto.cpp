#include "engine/cookie/chromium_crypto.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstring>
#include <memory>

#include "engine/cookie/cookie_rules.h"

namespace pelmora::cookie {
namespace {

constexpr std::string_view kSalt = "saltysalt";
constexpr size_t kVersionBytes = 3;
constexpr size_t kBlockBytes = 16;
// A cookie value is at most a few kilobytes; a larger blob is no value.
constexpr size_t kMaxCipherBytes = 64 * 1024;

struct CipherFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

}  // namespace

ChromiumKey deriveChromiumKey(std::string_view password)
{
    ChromiumKey key{};
    PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()),
                           reinterpret_cast<const unsigned char*>(kSalt.data()), static_cast<int>(kSalt.size()), 1,
                           static_cast<int>(key.size()), key.data());
    return key;
}

ValueVersion encryptedValueVersion(std::string_view encrypted)
{
    if (encrypted.starts_with("v10"))
        return ValueVersion::V10;
    if (encrypted.starts_with("v11"))
        return ValueVersion::V11;
    return ValueVersion::Unknown;
}

DecryptResult decryptChromiumValue(std::string_view encrypted, const ChromiumKey& key, std::string_view hostKey,
                                   int databaseVersion, std::string& value)
{
    if (encryptedValueVersion(encrypted) == ValueVersion::Unknown)
        return DecryptResult::UnknownVersion;
    const std::string_view cipher = encrypted.substr(kVersionBytes);
    // CBC ciphertext is whole blocks, at least one (the padding).
    if (cipher.empty() || cipher.size() % kBlockBytes != 0 || cipher.size() > kMaxCipherBytes)
        return DecryptResult::WrongKey;

    unsigned char iv[kBlockBytes];
    std::memset(iv, ' ', sizeof(iv));
    const std::unique_ptr<EVP_CIPHER_CTX, CipherFree> context(EVP_CIPHER_CTX_new());
    if (!context || EVP_DecryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, key.data(), iv) != 1)
        return DecryptResult::WrongKey;
    std::string plain(cipher.size() + kBlockBytes, '\0');
    int written = 0;
    int last = 0;
    unsigned char* out = reinterpret_cast<unsigned char*>(plain.data());
    if (EVP_DecryptUpdate(context.get(), out, &written, reinterpret_cast<const unsigned char*>(cipher.data()),
                          static_cast<int>(cipher.size())) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out + written, &last) != 1)
        return DecryptResult::WrongKey;
    plain.resize(static_cast<size_t>(written + last));

    if (databaseVersion >= kHostPrefixVersion) {
        unsigned char digest[SHA256_DIGEST_LENGTH];
        SHA256(reinterpret_cast<const unsigned char*>(hostKey.data()), hostKey.size(), digest);
        if (plain.size() < sizeof(digest) || std::memcmp(plain.data(), digest, sizeof(digest)) != 0)
            return DecryptResult::HostMismatch;
        plain.erase(0, sizeof(digest));
    }
    // The value goes into a Cookie header as it is: a wrong key that happened to leave valid
    // padding shows here as bytes no header may hold.
    if (!headerSafe("x", plain))
        return DecryptResult::NotText;
    for (const char c : plain)
        if (static_cast<unsigned char>(c) >= 0x80)
            return DecryptResult::NotText;
    value = std::move(plain);
    return DecryptResult::Ok;
}

const char* decryptResultText(DecryptResult result)
{
    switch (result) {
    case DecryptResult::Ok: return "decrypted";
    case DecryptResult::UnknownVersion: return "encrypted in a way this program does not know";
    case DecryptResult::WrongKey: return "encrypted with another key";
    case DecryptResult::HostMismatch: return "not the value of its host (or encrypted with another key)";
    case DecryptResult::NotText: return "no text after decryption (encrypted with another key?)";
    }
    return "not decrypted";
}

}  // namespace pelmora::cookie
