#pragma once
// What a comment's command words ask for: where it shows (scrolling, fixed at the top or the
// bottom), its size and its colour.

#include <cstdint>
#include <string_view>

namespace pelmora::subtitles {

enum class Placement { Scroll, Top, Bottom };
enum class Size { Medium, Big, Small };

struct CommentStyle {
    Placement placement = Placement::Scroll;
    Size size = Size::Medium;
    uint32_t rgb = 0xFFFFFF;
};

// The first word of each kind counts: "ue"/"shita"/"naka"; "big"/"medium"/"small"; a colour
// name (white, red, pink, orange, yellow, green, cyan, blue, purple, black and the premium
// ones: white2/niconicowhite, red2/truered, pink2, orange2/passionorange, yellow2/madyellow,
// green2/elementalgreen, cyan2, blue2/marineblue, purple2/nobleviolet, black2) or "#RRGGBB".
CommentStyle styleOf(std::string_view mail);

}  // namespace pelmora::subtitles
