#pragma once
// Where the tag links of a video page stand: rows from (20, 25), 15 px apart, a new row when a
// tag would reach x = 730 (on a page wider than the original, as much further), at most 15
// tags.

#include <functional>
#include <vector>

#include "qarvo/text/string.h"
#include "viewer/core/model/page_geometry.h"
#include "viewer/core/model/tag_info.h"

namespace pelmora::viewer {

inline constexpr int kTagLabelCount = 15;
inline constexpr int kTagRowEnd = 730;

struct TagPlacement {
    qarvo::C_WString text;  // the name, with " ★" for a locked tag
    int x = 0, y = 0, width = 0, height = 0;
};

std::vector<TagPlacement> LayoutTags(const TagSet& set, const std::function<int(const qarvo::C_WString&)>& textWidth,
                                     const PageGeometry& page = {});

}  // namespace pelmora::viewer
