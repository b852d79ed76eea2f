#pragma once
// Body encodings nicosim applies on request (Content-Encoding gzip and deflate).

#include <string>
#include <string_view>

namespace nicosim {

// A gzip member (RFC 1952); empty only when zlib fails.
std::string gzipBytes(std::string_view data);
// A zlib stream (RFC 1950), which is what HTTP's "deflate" names.
std::string deflateBytes(std::string_view data);

} // namespace nicosim
