#pragma once
// Comment text in an ASS event: escaped so that nothing a poster wrote is read as an override
// tag or a line break, and measured so that the lanes can keep comments apart.

#include <string>
#include <string_view>

namespace pelmora::subtitles {

// "{" and "}" become "\{" and "\}" (literal braces to libass), a backslash is followed by a word
// joiner (U+2060) so that "\N", "\h" or "\{" typed by a poster stay text, line breaks (CR LF,
// CR, LF) become "\N", other control characters a space, and invalid UTF-8 U+FFFD.
std::string escapeAssText(std::string_view utf8);

struct TextExtent {
    int lines = 1;
    int width = 0;  // pixels of the widest line
};

// A generous estimate for a CJK sans-serif face at `fontPixels`: full-width characters one em,
// half-width ones (ASCII, half-width kana) 0.62 em.
TextExtent measureText(std::string_view utf8, int fontPixels);

}  // namespace pelmora::subtitles
