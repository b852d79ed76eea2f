// The main window's controls at other sizes.

#include <gtest/gtest.h>

#include "viewer/core/model/main_layout.h"

using namespace pelmora::viewer;

TEST(MainLayout, TabHostTakesTheRoomAndTheRankingRowFollowsTheBottom)
{
    // Pixels of template 101 (dialog units x 6/4 and x 13/8): address box, tab host, a
    // ranking picture and its text.
    const std::vector<ControlBox> original = {
        {1001, 61, 26, 403, 19}, {1060, 10, 58, 729, 273}, {1042, 10, 339, 96, 78}, {1046, 109, 341, 111, 78}};
    EXPECT_EQ(PlaceMainControls(original, 750, 451, 750, 451), original);
    // Smaller than the original (the window does not get there): nothing moves.
    EXPECT_EQ(PlaceMainControls(original, 750, 451, 600, 300), original);

    const std::vector<ControlBox> larger = PlaceMainControls(original, 750, 451, 1200, 700);
    EXPECT_EQ(larger[0], original[0]);
    EXPECT_EQ(larger[1], (ControlBox{1060, 10, 58, 729 + 450, 273 + 249}));
    EXPECT_EQ(larger[2], (ControlBox{1042, 10, 339 + 249, 96, 78}));
    EXPECT_EQ(larger[3], (ControlBox{1046, 109, 341 + 249, 111, 78}));
}
