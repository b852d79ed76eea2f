#include "subtitles/ass_writer.h"

#include <algorithm>
#include <cstdio>

#include "subtitles/ass_text.h"

namespace pelmora::subtitles {
namespace {

// Lines follow one another at this share of the font size.
constexpr double kLineSpacing = 1.125;

int fontPixels(Size size, const AssOptions& options)
{
    switch (size) {
    case Size::Big: return options.bigPixels;
    case Size::Small: return options.smallPixels;
    case Size::Medium: break;
    }
    return options.mediumPixels;
}

// ASS colours are &HBBGGRR.
std::string assColour(uint32_t rgb)
{
    char text[16];
    std::snprintf(text, sizeof(text), "&H%02X%02X%02X&", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
    return text;
}

// A dark comment gets a light outline, so that it stays readable on a dark picture.
bool isDark(uint32_t rgb)
{
    const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return r * 299 + g * 587 + b * 114 < 60 * 1000;
}

std::string header(const AssOptions& o)
{
    const LaneGeometry& g = o.geometry;
    std::string text = "[Script Info]\r\n";
    text += "; " + (o.title.empty() ? std::string("Comments") : escapeAssText(o.title)) + ", written by PelmoraVista\r\n";
    text += "ScriptType: v4.00+\r\n";
    text += "PlayResX: " + std::to_string(g.frameWidth) + "\r\n";
    text += "PlayResY: " + std::to_string(g.frameHeight) + "\r\n";
    text += "WrapStyle: 2\r\n";
    text += "ScaledBorderAndShadow: yes\r\n";
    text += "YCbCr Matrix: None\r\n\r\n";
    text += "[V4+ Styles]\r\n";
    text += "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
            "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
            "MarginR, MarginV, Encoding\r\n";
    text += "Style: Comment," + o.fontName + "," + std::to_string(o.mediumPixels) +
            ",&H00FFFFFF,&H00FFFFFF,&H00000000,&H00000000,-1,0,0,0,100,100,0,0,1," + std::to_string(o.outline) +
            ",0,7,0,0,0,1\r\n\r\n";
    text += "[Events]\r\n";
    text += "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\r\n";
    return text;
}

}  // namespace

std::string assTime(int centis)
{
    if (centis < 0)
        centis = 0;
    char text[32];
    std::snprintf(text, sizeof(text), "%d:%02d:%02d.%02d", centis / 360000, centis / 6000 % 60, centis / 100 % 60,
                  centis % 100);
    return text;
}

AssDocument writeAss(const std::vector<SubtitleComment>& comments, const AssOptions& options)
{
    AssDocument document;
    document.text = header(options);
    std::vector<const SubtitleComment*> shown;
    for (const SubtitleComment& comment : comments) {
        if (comment.deleted || comment.hidden)
            ++document.skipped;
        else
            shown.push_back(&comment);
    }
    std::stable_sort(shown.begin(), shown.end(), [](const SubtitleComment* a, const SubtitleComment* b) {
        return a->vpos != b->vpos ? a->vpos < b->vpos : a->no < b->no;
    });

    const LaneGeometry& g = options.geometry;
    LaneAllocator lanes(g);
    for (const SubtitleComment* comment : shown) {
        const CommentStyle style = styleOf(comment->mail);
        int pixels = fontPixels(style.size, options);
        TextExtent extent = measureText(comment->text, pixels);
        int height = static_cast<int>(extent.lines * pixels * kLineSpacing + 0.5);
        // A comment of more lines than the frame holds is made smaller to fit, as players do.
        if (height > g.frameHeight) {
            pixels = std::max(1, pixels * g.frameHeight / height);
            extent = measureText(comment->text, pixels);
            height = std::min(g.frameHeight, static_cast<int>(extent.lines * pixels * kLineSpacing + 0.5));
        }
        const int width = extent.width + 2 * options.outline;
        const LanePlacement place = lanes.place({style.placement, std::max(0, comment->vpos), width, height});
        if (!place.placed) {
            ++document.leftOut;
            continue;
        }

        std::string tags = "{";
        if (style.placement == Placement::Scroll)
            tags += "\\move(" + std::to_string(g.frameWidth) + "," + std::to_string(place.y) + "," +
                    std::to_string(-width) + "," + std::to_string(place.y) + ")";
        else
            tags += "\\an8\\pos(" + std::to_string(g.frameWidth / 2) + "," + std::to_string(place.y) + ")";
        if (pixels != options.mediumPixels)
            tags += "\\fs" + std::to_string(pixels);
        if (style.rgb != 0xFFFFFF)
            tags += "\\c" + assColour(style.rgb);
        if (isDark(style.rgb))
            tags += "\\3c&HFFFFFF&";
        tags += "}";
        // Fixed comments above the scrolling ones, as the player draws them.
        const int layer = style.placement == Placement::Scroll ? 0 : 1;
        document.text += "Dialogue: " + std::to_string(layer) + "," + assTime(place.start) + "," + assTime(place.end) +
                         ",Comment," + std::to_string(comment->no) + ",0,0,0,," + tags +
                         escapeAssText(comment->text) + "\r\n";
        document.events.push_back(
            {comment->no, style.placement, place.start, place.end, place.y, place.lane, place.lanes, width, height});
    }
    return document;
}

}  // namespace pelmora::subtitles
