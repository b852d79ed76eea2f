#pragma once
// The video handler's second path, for watch pages that carry today's comment data: the
// threads (forks) the page names are asked for at the comment interface, fork by fork paged
// back in time as far as the request wants, and delivered as the old path's records.
//
// What is delivered: the owner's comments always all of them; of every other fork the newest
// `count`, or, with the mode word "all", every comment of the video. Forks in the order the
// page's targets list them, comments ascending by number, each comment once.

#include "engine/parse/parse_context.h"
#include "engine/service/nvcomment_data.h"
#include "qarvo/text/string.h"
#include "qarvo/text/string_array.h"

namespace pelmora::engine {

// Pages asked for one fork at most: a million comments and more, and an end to a service
// that keeps answering.
inline constexpr int kMaxPastPages = 5000;

// `cookie` is the login (past comments need it); `finalUrl` the watch page's address, whose
// last segment names the video when the page data does not. A result code; on failure the
// context's state text says why, and what arrived before is delivered all the same.
int fetchCurrentComments(const nvcomment::WatchData& data, const qarvo::C_WArrayString& words, ParseContext& context,
                         const qarvo::C_String& cookie, const qarvo::C_String& finalUrl, int count);

// True when the Cookie text holds a non-empty login cookie.
bool hasLoginCookie(const qarvo::C_String& cookie);

}  // namespace pelmora::engine
