#pragma once
// The tags of a video, read from the service's video-information answer: four tag sets by
// domain (0 jp, 1 tw, 2 de, 3 es), each a list of texts with lock flags.

#include <array>
#include <vector>

#include "qarvo/text/string.h"

namespace pelmora::viewer {

inline constexpr int kTagDomains = 4;

struct TagSet {
    std::vector<qarvo::C_WString> texts;
    std::vector<int> locked;  // 1 = the tag is locked
};

using TagLists = std::array<TagSet, kTagDomains>;

// "www" or "jp..." 0, "tw..." 1, "de" 2, "es" 3, anything else 4 (ignored).
int TagDomainIndex(const qarvo::C_String& domain);
// Parses the UTF-8 answer into `lists` (appending). False when the answer says the video is
// deleted; a malformed answer keeps what was parsed before the fault.
bool ParseThumbInfo(const qarvo::C_String& body, TagLists& lists);

}  // namespace pelmora::viewer
