#include "viewer/core/model/main_layout.h"

#include <algorithm>

namespace pelmora::viewer {

bool FollowsBottomEdge(int id)
{
    return (id >= 1042 && id <= 1044) || (id >= 1046 && id <= 1048);
}

std::vector<ControlBox> PlaceMainControls(const std::vector<ControlBox>& original, int originalWidth,
                                          int originalHeight, int width, int height)
{
    const int extraWidth = std::max(0, width - originalWidth);
    const int extraHeight = std::max(0, height - originalHeight);
    std::vector<ControlBox> placed = original;
    for (ControlBox& box : placed) {
        if (box.id == kTabHostId) {
            box.width += extraWidth;
            box.height += extraHeight;
        } else if (FollowsBottomEdge(box.id)) {
            box.y += extraHeight;
        }
    }
    return placed;
}

}  // namespace pelmora::viewer
