#include "subtitles/ass_text.h"

#include <algorithm>
#include <cstdint>

namespace pelmora::subtitles {
namespace {

constexpr const char* kWordJoiner = "\xE2\x81\xA0";
constexpr const char* kReplacement = "\xEF\xBF\xBD";

// The code point at `i` (moving `i` past it); U+FFFD for a broken sequence, which moves one byte.
uint32_t nextCodePoint(std::string_view text, size_t& i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || text.size() - i < static_cast<size_t>(length)) {
        ++i;
        return 0xFFFD;
    }
    uint32_t cp = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (int k = 1; k < length; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        if ((c >> 6) != 0x2) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += static_cast<size_t>(length);
    return cp;
}

bool halfWidth(uint32_t cp)
{
    return cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F);
}

}  // namespace

std::string escapeAssText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    size_t i = 0;
    while (i < text.size()) {
        const size_t start = i;
        const uint32_t cp = nextCodePoint(text, i);
        if (cp == '\r' || cp == '\n') {
            if (cp == '\r' && i < text.size() && text[i] == '\n')
                ++i;
            out += "\\N";
        } else if (cp == '{' || cp == '}') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\\') {
            out += '\\';
            out += kWordJoiner;
        } else if (cp < 0x20 || cp == 0x7F) {
            out += ' ';
        } else if (cp == 0xFFFD && text.substr(start, i - start) != kReplacement) {
            out += kReplacement;
        } else {
            out.append(text.substr(start, i - start));
        }
    }
    return out;
}

TextExtent measureText(std::string_view text, int fontPixels)
{
    TextExtent extent;
    double line = 0;
    double widest = 0;
    size_t i = 0;
    while (i < text.size()) {
        const uint32_t cp = nextCodePoint(text, i);
        if (cp == '\r' || cp == '\n') {
            if (cp == '\r' && i < text.size() && text[i] == '\n')
                ++i;
            widest = std::max(widest, line);
            line = 0;
            ++extent.lines;
            continue;
        }
        if (cp == 0x2060 || cp == 0x200B)
            continue;
        line += halfWidth(cp) ? 0.62 * fontPixels : fontPixels;
    }
    widest = std::max(widest, line);
    extent.width = static_cast<int>(widest + 0.999);
    return extent;
}

}  // namespace pelmora::subtitles
