// Where the view sits in a window of any size, and where a click in the window lands on it.
#include <gtest/gtest.h>

#include "platform/core/view.h"

using plat::view::Place;

TEST(ViewTest, LargestWholeFactorCentredBelowTheBarAndClicksMappedBack) {
    const int bar1 = plat::view::MenuBarHeight(1), bar2 = plat::view::MenuBarHeight(2);
    EXPECT_EQ(bar2, 2 * bar1);
    // Too small for anything: factor 1 all the same, in the corner.
    EXPECT_EQ(plat::view::PlaceIn(300, 200), (Place{1, 0, bar1, bar1}));
    // Factor 2 needs its own, taller bar: one pixel short of it stays at 1.
    EXPECT_EQ(plat::view::FitScale(1280, 960 + bar2), 2);
    EXPECT_EQ(plat::view::FitScale(1280, 960 + bar2 - 1), 1);
    EXPECT_EQ(plat::view::FitScale(1279, 2000), 1);
    // A 1920 x 1080 screen: factor 2, centred across, and in the room left below the bar.
    Place full = plat::view::PlaceIn(1920, 1080);
    EXPECT_EQ(full, (Place{2, 320, bar2 + (1080 - bar2 - 960) / 2, bar2}));

    int x = -1, y = -1;
    EXPECT_TRUE(plat::view::ToClient(full, full.x, full.y, x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_TRUE(plat::view::ToClient(full, full.x + 2 * 639 + 1, full.y + 2 * 479 + 1, x, y));
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    // The black border around the view, and the bar above it, are nobody's.
    EXPECT_FALSE(plat::view::ToClient(full, full.x - 1, full.y + 10, x, y));
    EXPECT_FALSE(plat::view::ToClient(full, full.x + 2 * 640, full.y + 10, x, y));
    EXPECT_FALSE(plat::view::ToClient(full, full.x + 10, full.y + 2 * 480, x, y));
    EXPECT_FALSE(plat::view::ToClient(full, full.x + 10, bar2 - 1, x, y));
}
