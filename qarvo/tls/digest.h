#pragma once
// The two pieces of cryptography outside TLS sessions that the network classes need, from the
// TLS library so that it stays the only one included: SHA-1 (the WebSocket handshake's
// accept key) and unpredictable bytes (its nonce and the frame masks).

#include <cstddef>

namespace qarvo::tls {

inline constexpr size_t kSha1Size = 20;

void sha1(const void* data, size_t size, unsigned char out[kSha1Size]);
// False when the generator could not be seeded.
bool randomBytes(void* out, size_t size);

}  // namespace qarvo::tls
