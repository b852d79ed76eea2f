#include "viewer/core/model/comment_color.h"

#include <string_view>

namespace pelmora::viewer {

namespace {

struct NamedColour {
    std::u16string_view name;
    CommentRgb rgb;
};

// The service's colour commands; the second group is the premium members' set, several
// colours with two names.
constexpr NamedColour kColours[] = {
    {u"white", 0xFFFFFF},         {u"red", 0xFF0000},           {u"pink", 0xFF8080},
    {u"orange", 0xFFC000},        {u"yellow", 0xFFFF00},        {u"green", 0x00FF00},
    {u"cyan", 0x00FFFF},          {u"blue", 0x0000FF},          {u"purple", 0xC000FF},
    {u"black", 0x000000},
    {u"white2", 0xCCCC99},        {u"niconicowhite", 0xCCCC99}, {u"red2", 0xCC0033},
    {u"truered", 0xCC0033},       {u"pink2", 0xFF33CC},         {u"orange2", 0xFF6600},
    {u"passionorange", 0xFF6600}, {u"yellow2", 0x999900},       {u"madyellow", 0x999900},
    {u"green2", 0x00CC66},        {u"elementalgreen", 0x00CC66}, {u"cyan2", 0x00CCCC},
    {u"blue2", 0x3399FF},         {u"marineblue", 0x3399FF},    {u"purple2", 0x6633CC},
    {u"nobleviolet", 0x6633CC},   {u"black2", 0x666666},
};

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

std::optional<CommentRgb> colourOfWord(std::u16string_view word)
{
    if (word.size() == 7 && word[0] == u'#') {
        CommentRgb rgb = 0;
        for (size_t i = 1; i < 7; ++i) {
            const int digit = hexValue(word[i]);
            if (digit < 0)
                return std::nullopt;
            rgb = rgb << 4 | static_cast<CommentRgb>(digit);
        }
        return rgb;
    }
    for (const NamedColour& c : kColours)
        if (c.name == word)
            return c.rgb;
    return std::nullopt;
}

}  // namespace

std::optional<CommentRgb> CommentColourOf(const qarvo::C_WString& mail)
{
    const std::u16string_view text(mail.c_str(), static_cast<size_t>(mail.Length()));
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find(u' ', at), text.size());
        if (const auto colour = colourOfWord(text.substr(at, end - at)))
            return colour;
        at = end + 1;
    }
    return std::nullopt;
}

CommentColour WithOutline(CommentRgb text)
{
    const unsigned r = text >> 16 & 0xFF, g = text >> 8 & 0xFF, b = text & 0xFF;
    // Perceived brightness (ITU-R BT.601 weights), 0..255.
    const unsigned luma = (299 * r + 587 * g + 114 * b) / 1000;
    return CommentColour{text, luma >= 128 ? 0x202020u : 0xF0F0F0u};
}

}  // namespace pelmora::viewer
