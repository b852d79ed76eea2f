#include "subtitles/comment_style.h"

#include <cctype>
#include <string>

namespace pelmora::subtitles {
namespace {

struct NamedColour {
    const char* name;
    uint32_t rgb;
};

// The service's colour commands and the colours its player draws them in.
constexpr NamedColour kColours[] = {
    {"white", 0xFFFFFF},         {"red", 0xFF0000},           {"pink", 0xFF8080},
    {"orange", 0xFFC000},        {"yellow", 0xFFFF00},        {"green", 0x00FF00},
    {"cyan", 0x00FFFF},          {"blue", 0x0000FF},          {"purple", 0xC000FF},
    {"black", 0x000000},         {"white2", 0xCCCC99},        {"niconicowhite", 0xCCCC99},
    {"red2", 0xCC0033},          {"truered", 0xCC0033},       {"pink2", 0xFF33CC},
    {"orange2", 0xFF6600},       {"passionorange", 0xFF6600}, {"yellow2", 0x999900},
    {"madyellow", 0x999900},     {"green2", 0x00CC66},        {"elementalgreen", 0x00CC66},
    {"cyan2", 0x00CCCC},         {"blue2", 0x3399FF},         {"marineblue", 0x3399FF},
    {"purple2", 0x6633CC},       {"nobleviolet", 0x6633CC},   {"black2", 0x666666},
};

bool hexColour(std::string_view word, uint32_t& rgb)
{
    if (word.size() != 7 || word[0] != '#')
        return false;
    uint32_t value = 0;
    for (const char c : word.substr(1)) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                      : -1;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    rgb = value;
    return true;
}

}  // namespace

CommentStyle styleOf(std::string_view mailText)
{
    std::string mail(mailText);
    for (size_t at; (at = mail.find("\xE3\x80\x80")) != std::string::npos;)
        mail.replace(at, 3, " ");
    CommentStyle style;
    bool placed = false, sized = false, coloured = false;
    size_t start = 0;
    while (start < mail.size()) {
        // Commands are separated by ASCII or ideographic spaces.
        size_t end = mail.find(' ', start);
        if (end == std::string::npos)
            end = mail.size();
        std::string word(mail.substr(start, end - start));
        start = end + 1;
        for (char& c : word)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (!placed && (word == "ue" || word == "shita" || word == "naka")) {
            style.placement = word == "ue" ? Placement::Top : word == "shita" ? Placement::Bottom : Placement::Scroll;
            placed = true;
        } else if (!sized && (word == "big" || word == "medium" || word == "small")) {
            style.size = word == "big" ? Size::Big : word == "small" ? Size::Small : Size::Medium;
            sized = true;
        } else if (!coloured) {
            if (hexColour(word, style.rgb)) {
                coloured = true;
                continue;
            }
            for (const NamedColour& colour : kColours)
                if (word == colour.name) {
                    style.rgb = colour.rgb;
                    coloured = true;
                    break;
                }
        }
    }
    return style;
}

}  // namespace pelmora::subtitles
