#include <gtest/gtest.h>

#include "gfx/canvas.h"
#include "gfx/starfield.h"
#include "platform/surface.h"
#include "tests/fixture.h"

TEST_F(GameTest, StarsWrapPastTheRightEdgeOnlyBeyond640) {
    SeedRandom(5);
    InitStarfield();
    stars->starX[0] = 638, stars->starSpeed[0] = 3;
    stars->starX[1] = 638, stars->starSpeed[1] = 2, stars->starY[1] = 50;
    StarfieldStep();
    EXPECT_EQ(stars->starX[0], -10);
    EXPECT_GE(stars->starY[0], 0);
    EXPECT_LT(stars->starY[0], 400);
    EXPECT_GE(stars->starSpeed[0], 1);
    EXPECT_LE(stars->starSpeed[0], 4);
    EXPECT_EQ(stars->starX[1], 640);
    EXPECT_EQ(stars->starBackground[1], 0xFFFFFFFFu);                       // off the surface: nothing drawn
    for (int i = 50; i < 100; ++i) EXPECT_EQ(stars->starBackground[i], 0u); // never moved
}

TEST_F(GameTest, StarsShowOnlyOverBlackAndPutBackWhatTheyCovered) {
    SeedRandom(7);
    InitStarfield();
    for (int i = 0; i < 50; ++i) stars->starY[i] = static_cast<int16_t>(300 + i), stars->starSpeed[i] = 1;
    stars->starX[0] = 99; // moves onto a trail pixel
    FillBox(100, 300, 5, 5, 0x3030FF);
    stars->starX[1] = 199; // onto the frame colour, which is not the star colour
    FillBox(200, 301, 1, 1, 0x1EFFFF);
    stars->starX[2] = 299; // onto another star's yellow: stored as black, drawn
    FillBox(300, 302, 1, 1, 0x00FFFF);
    stars->starX[3] = 399; // onto black
    StarfieldStep();
    EXPECT_EQ(Pixel(100, 300), 0x3030FFu);
    EXPECT_EQ(stars->starBackground[0], 0x3030FFu);
    EXPECT_EQ(Pixel(200, 301), 0x1EFFFFu);
    EXPECT_EQ(stars->starBackground[1], 0x1EFFFFu);
    EXPECT_EQ(Pixel(300, 302), 0x00FFFFu);
    EXPECT_EQ(stars->starBackground[2], 0u);
    EXPECT_EQ(Pixel(400, 303), 0x00FFFFu);
    FillBox(400, 303, 1, 1, 0xABCDEF); // the game draws over a star between steps
    StarfieldStep();
    EXPECT_EQ(Pixel(100, 300), 0x3030FFu); // trail restored unchanged
    EXPECT_EQ(Pixel(300, 302), 0u);        // the yellow it sampled leaves black behind
    EXPECT_EQ(Pixel(400, 303), 0u);        // restores the black it saved
    EXPECT_EQ(Pixel(401, 303), 0x00FFFFu);
}

TEST_F(GameTest, TickerMovesFiveAndWrapsAtMinus1420) {
    game->scrollerX[0] = -1415;
    game->scrollerX[1] = 0;
    game->scrollerX[2] = 2040;
    ScrollerStep();
    EXPECT_EQ(+game->scrollerX[0], 640);
    EXPECT_EQ(+game->scrollerX[1], -5);
    EXPECT_EQ(+game->scrollerX[2], 2035);
    ScrollerStep();
    EXPECT_EQ(+game->scrollerX[0], 635);
    // It leaves red on a transparent background for all later text.
    EXPECT_TRUE(plat::TextTransparent(game->windowDC));
    EXPECT_EQ(plat::TextColour(game->windowDC), 0x0000FFu);
}

TEST_F(GameTest, TickerIsBrightInTheMiddleAndFadesTowardsTheEdges) {
    std::memset(game->scrollerText[0], '#', 256);
    game->scrollerLength[0] = 256;
    game->scrollerX[0] = 0; // one line covering the band from x = 0 on (after the step: -5)
    FillBox(0, 0, 640, 480, 0x00FF00);
    ScrollerStep();
    EXPECT_GT(CountPixels(0, 420, 20, 20, 120u), 0);
    EXPECT_EQ(CountPixels(0, 420, 20, 20, 255u) + CountPixels(0, 420, 20, 20, 140u), 0);
    EXPECT_EQ(CountPixels(80, 420, 480, 20, 180u) + CountPixels(80, 420, 480, 20, 120u), 0);
    EXPECT_GT(CountPixels(20, 420, 20, 20, 140u), 0);
    EXPECT_GT(CountPixels(60, 420, 20, 20, 180u), 0);
    EXPECT_GT(CountPixels(80, 420, 480, 20, 255u), 0);
    EXPECT_GT(CountPixels(560, 420, 20, 20, 180u), 0);
    EXPECT_GT(CountPixels(620, 420, 20, 20, 120u), 0);
    EXPECT_EQ(Pixel(10, 419), 0x00FF00u); // only the band is touched
    EXPECT_EQ(Pixel(10, 440), 0x00FF00u);

    // Three empty texts leave the band black.
    for (int k = 0; k < 3; ++k) game->scrollerLength[k] = 0;
    ScrollerStep();
    EXPECT_EQ(CountPixels(0, 420, 640, 20, 0), 640 * 20);
    EXPECT_EQ(plat::LiveObjects().regions, 0);
}
