#pragma once
// Reading the login cookie out of a Firefox cookies.sqlite.

#include <cstdint>
#include <string>

namespace pelmora::cookie {

// The cookies of `storePath` that belong to `host` (cookies of the host itself or of a parent
// domain) and have not expired at `nowSeconds`, joined as a Cookie header ("a=1; b=2").
// The store is read from a private copy taken together with its "-wal" file, so that the
// running browser's lock does not matter and a login it has not yet checkpointed is seen.
// False when the store cannot be read or holds no such cookie.
bool readFirefoxCookies(const std::string& storePath, const std::string& host, int64_t nowSeconds, std::string& cookie);

}  // namespace pelmora::cookie
