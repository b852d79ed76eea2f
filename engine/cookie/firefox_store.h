#pragma once
// One Firefox cookies.sqlite read on its own, without a profile around it (the store readers
// of store_readers.h do the same for the profiles the lookup finds).

#include <cstdint>
#include <string>

namespace pelmora::cookie {

// The cookies of `storePath` a browser would send to http://`host`/ at `nowSeconds`, joined as
// a Cookie header ("a=1; b=2"). False when the store cannot be read or holds none.
bool readFirefoxCookies(const std::string& storePath, const std::string& host, int64_t nowSeconds, std::string& cookie);

}  // namespace pelmora::cookie
