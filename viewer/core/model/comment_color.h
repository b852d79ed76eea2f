#pragma once
// The colour commands of a comment's mail field, as the service's players draw them, and the
// outline that keeps such a text readable on the page.

#include <cstdint>
#include <optional>

#include "qarvo/text/string.h"

namespace pelmora::viewer {

// 0xRRGGBB.
using CommentRgb = uint32_t;

struct CommentColour {
    CommentRgb text = 0;
    CommentRgb outline = 0;
};

// The colour of the first colour command among the blank-separated words of `mail` (a name
// such as "red" or "truered", or "#RRGGBB"); nullopt when there is none.
std::optional<CommentRgb> CommentColourOf(const qarvo::C_WString& mail);

// The text colour with an outline that contrasts with it: dark around light colours, light
// around dark ones.
CommentColour WithOutline(CommentRgb text);

}  // namespace pelmora::viewer
