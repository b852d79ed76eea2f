#pragma once
// The main window's controls at a client size other than the original one: the host of the
// tab strip takes all the extra room, the ranking row under it keeps its distance from the
// bottom edge, and everything else stays where it is. Below the original size (which the
// window does not go below) nothing moves.

#include <vector>

namespace pelmora::viewer {

inline constexpr int kTabHostId = 1060;

struct ControlBox {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ControlBox&) const = default;
};

// The ranking row's pictures and texts, which keep their distance from the bottom edge.
bool FollowsBottomEdge(int id);

// The boxes of `original` (placed for a client area of originalWidth x originalHeight) for a
// client area of width x height.
std::vector<ControlBox> PlaceMainControls(const std::vector<ControlBox>& original, int originalWidth,
                                          int originalHeight, int width, int height);

}  // namespace pelmora::viewer
