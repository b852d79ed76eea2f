#pragma once
// The video information request: the service's public getthumbinfo answer for a video, read
// into its four tag sets. Runs on the worker thread; every failure ends quietly with the tags
// parsed so far (the next tag timer firing tries again).

#include <atomic>

#include "qarvo/text/string.h"
#include "viewer/core/model/tag_info.h"

namespace pelmora::viewer {

// At most this many addresses are tried: the first and two redirects.
inline constexpr int kVideoInfoAttempts = 3;

// "http://<external host>/api/getthumbinfo/<last path segment of identifier>"
qarvo::C_String VideoInfoAddress(const qarvo::C_WString& identifier);

// Fetches and parses the tags of `identifier` into `tags`. Stops early (without tags) when
// `closing` becomes non-zero. True when an answer was parsed.
bool FetchVideoInfo(const qarvo::C_WString& identifier, const std::atomic<int>& closing, TagLists& tags);

}  // namespace pelmora::viewer
