#include "viewer/core/model/tag_layout.h"

namespace pelmora::viewer {

std::vector<TagPlacement> LayoutTags(const TagSet& set, const std::function<int(const qarvo::C_WString&)>& textWidth,
                                     const PageGeometry& page)
{
    const int rowEnd = kTagRowEnd + page.ExtraWidth();
    std::vector<TagPlacement> out;
    int x = 20, y = 25;
    for (size_t i = 0; i < set.texts.size() && out.size() < kTagLabelCount; ++i) {
        TagPlacement p;
        p.text = set.texts[i];
        if (i < set.locked.size() && set.locked[i])
            p.text += u" ★";
        const int w = textWidth(p.text);
        if (x + w >= rowEnd) {
            x = 20;
            y += 20;
        }
        p.x = x;
        p.y = y;
        p.width = w + 2;
        p.height = 20;
        out.push_back(p);
        x += w + 15;
    }
    return out;
}

}  // namespace pelmora::viewer
