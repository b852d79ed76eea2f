#pragma once
// The cookie folder's text format: records of nine lines (name, value, host and path, flags,
// expiry low and high, creation low and high, a line starting with "*").

#include <string>
#include <string_view>

namespace pelmora::cookie {

// Files larger than this are no cookie files; they are not read.
inline constexpr long long kMaxCookieFileBytes = 4 * 1024 * 1024;

// True when one of the host-and-path lines (lines 2, 11, 20, ... counting from 0) contains
// `domain`.
bool cookieFileMentions(std::string_view text, std::string_view domain);

// Every record of the file as name "=" value, joined by "; " (nothing after the last pair).
std::string cookieFilePairs(std::string_view text);

}  // namespace pelmora::cookie
