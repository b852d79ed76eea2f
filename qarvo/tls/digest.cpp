#include "qarvo/tls/digest.h"

#include <openssl/rand.h>
#include <openssl/sha.h>

namespace qarvo::tls {

void sha1(const void* data, size_t size, unsigned char out[kSha1Size])
{
    SHA1(static_cast<const unsigned char*>(data), size, out);
}

bool randomBytes(void* out, size_t size)
{
    return size == 0 || RAND_bytes(static_cast<unsigned char*>(out), static_cast<int>(size)) == 1;
}

}  // namespace qarvo::tls
