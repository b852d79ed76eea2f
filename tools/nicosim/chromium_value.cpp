#include "tools/nicosim/chromium_value.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <memory>

namespace nicosim {
namespace {

struct CipherFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

} // namespace

std::vector<unsigned char> encryptChromiumValue(const std::string& hostKey, const std::string& value,
                                                int databaseVersion)
{
    static const std::string kPassword = "peanuts";
    static const std::string kSalt = "saltysalt";
    unsigned char key[16];
    if (PKCS5_PBKDF2_HMAC_SHA1(kPassword.data(), static_cast<int>(kPassword.size()),
                               reinterpret_cast<const unsigned char*>(kSalt.data()), static_cast<int>(kSalt.size()), 1,
                               sizeof(key), key) != 1)
        return {};
    std::string plain;
    if (databaseVersion >= 24) {
        unsigned char digest[SHA256_DIGEST_LENGTH];
        SHA256(reinterpret_cast<const unsigned char*>(hostKey.data()), hostKey.size(), digest);
        plain.assign(reinterpret_cast<const char*>(digest), sizeof(digest));
    }
    plain += value;

    unsigned char iv[16];
    for (unsigned char& b : iv)
        b = ' ';
    const std::unique_ptr<EVP_CIPHER_CTX, CipherFree> context(EVP_CIPHER_CTX_new());
    std::vector<unsigned char> out(3 + plain.size() + 16);
    out[0] = 'v';
    out[1] = '1';
    out[2] = '0';
    int written = 0;
    int last = 0;
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, key, iv) != 1 ||
        EVP_EncryptUpdate(context.get(), out.data() + 3, &written, reinterpret_cast<const unsigned char*>(plain.data()),
                          static_cast<int>(plain.size())) != 1 ||
        EVP_EncryptFinal_ex(context.get(), out.data() + 3 + written, &last) != 1)
        return {};
    out.resize(static_cast<size_t>(3 + written + last));
    return out;
}

} // namespace nicosim
