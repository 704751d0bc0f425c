#include <gtest/gtest.h>

#include <filesystem>

#include "gfx/canvas.h"
#include "gfx/panels.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "tests/fixture.h"
#include "tests/test_files.h"

namespace {

class PanelTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        std::filesystem::create_directories("graphics");
        WriteBmp("graphics/ammo.bmp", 31, 9, [](int, int) { return 0x00FF00u; });
        WriteBmp("graphics/pagain.bmp", 400, 60, [](int, int) { return 0xFFFF00u; });
        const Colour colours[4] = {0x0000C0, 0xC00000, 0x00C000, 0xC000C0};
        for (int p = 0; p < 4; ++p) game->profiles[p].color = colours[p];
        plat::SetTextTransparent(game->windowDC, true);
        plat::SetTextColour(game->windowDC, 0x0000FF);
    }
    bool HasInk(int x0, int y0, int w, int h, Colour ink) const { return CountPixels(x0, y0, w, h, ink) > 0; }
};

} // namespace

TEST_F(PanelTest, LivePlayerShowsLabelGaugeAndBar) {
    arena->ammo[1] = 10;
    DrawStatusPanel(1);
    EXPECT_EQ(Pixel(600, 0), 0x1EFFFFu);
    EXPECT_EQ(Pixel(603, 403), 0x1EFFFFu);
    EXPECT_EQ(Pixel(0, 400), 0x1EFFFFu);
    EXPECT_EQ(Pixel(160, 420), 0xC00000u); // panel background
    EXPECT_EQ(Pixel(319, 479), 0xC00000u);
    EXPECT_EQ(Pixel(159, 479), 0u);        // panel 0 not drawn
    EXPECT_EQ(Pixel(161, 425), 0x00FF00u); // label
    EXPECT_EQ(Pixel(191, 433), 0x00FF00u);
    EXPECT_EQ(Pixel(192, 422), 0u); // bar: 3 * 10 pixels black
    EXPECT_EQ(Pixel(221, 436), 0u);
    EXPECT_EQ(Pixel(222, 422), 0xFFFFFFu); // gauge
    EXPECT_EQ(Pixel(291, 436), 0xFFFFFFu);
    EXPECT_EQ(Pixel(292, 422), 0xC00000u);
}

TEST_F(PanelTest, BarHasNoClampAndEmptyOrNegativeAmmoLeavesTheGaugeWhite) {
    arena->ammo[0] = -4;
    DrawStatusPanel(0);
    EXPECT_EQ(Pixel(32, 422), 0xFFFFFFu);
    arena->ammo[0] = 33;
    DrawStatusPanel(0);
    EXPECT_EQ(Pixel(32 + 98, 422), 0u);
    EXPECT_EQ(Pixel(32 + 99, 422), 0xFFFFFFu);
    DrawStatusPanel(1);
    arena->ammo[0] = 50; // 150 pixels: runs into the next panel
    DrawStatusPanel(0);
    EXPECT_EQ(Pixel(32 + 149, 423), 0u);
    EXPECT_EQ(Pixel(32 + 150, 423), 0xC00000u);
}

TEST_F(PanelTest, OutPlayersShowDeadAndTheirPlace) {
    arena->out[2] = arena->out[3] = 1;
    arena->rank[2] = 3;
    arena->rank[3] = 4;
    std::strcpy(game->profiles[2].name, "Kim");
    DrawStatusPanel(255);
    EXPECT_TRUE(HasInk(330, 420, 32, 16, 0x0000FF)); // "DEAD"
    EXPECT_TRUE(HasInk(380, 420, 8, 16, 0x0000FF));  // "3"
    EXPECT_TRUE(HasInk(330, 405, 24, 15, 0x0000FF)); // name
    EXPECT_EQ(Pixel(322, 425), 0x00C000u);           // no ammunition label
    EXPECT_EQ(Pixel(1, 425), 0x00FF00u);             // live slots 0 and 1 have theirs
    EXPECT_EQ(Pixel(161, 425), 0x00FF00u);
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());
}

TEST_F(PanelTest, NameWithoutTerminatorIsDrawnFromItsOwnBytesOnly) {
    std::memset(game->profiles[0].name, 'W', 32); // no NUL; color follows in memory
    game->profiles[0].color = 0x41414141;         // would read as "AAAA" past the name
    DrawStatusPanel(0);
    EXPECT_TRUE(HasInk(10 + 31 * 8, 405, 8, 15, 0x0000FF));
    EXPECT_FALSE(HasInk(10 + 32 * 8, 405, 40, 15, 0x0000FF));
}

TEST_F(PanelTest, MissingLabelIsReportedOncePerLivePanel) {
    std::filesystem::remove("graphics/ammo.bmp");
    arena->out[3] = 1;
    DrawStatusPanel(255);
    EXPECT_EQ(plat::headless::MessageBoxes().size(), 3u);
    EXPECT_EQ(Pixel(32, 422), 0xFFFFFFu); // the rest is still drawn
    EXPECT_EQ(Pixel(1, 425), 0x0000C0u);
}

TEST_F(PanelTest, ResultsRankEverySlotAndArmTheRestart) {
    const uint8_t ranks[4] = {2, 1, 4, 3};
    for (int p = 0; p < 4; ++p) arena->rank[p] = ranks[p];
    std::strcpy(game->profiles[1].name, "0123456789");
    game->autoStart = 1;
    DrawResults();
    EXPECT_EQ(Pixel(100, 150), 0xFFFF00u);
    EXPECT_EQ(Pixel(499, 209), 0xFFFF00u);
    EXPECT_EQ(Pixel(220, 230), 0xC00000u); // place 1: slot 1
    EXPECT_EQ(Pixel(379, 254), 0xC00000u);
    EXPECT_EQ(Pixel(220, 255), 0x0000C0u); // place 2: slot 0
    EXPECT_EQ(Pixel(220, 280), 0xC000C0u); // place 3: slot 3
    EXPECT_EQ(Pixel(220, 305), 0x00C000u); // place 4: slot 2
    EXPECT_EQ(Pixel(380, 305), 0u);
    EXPECT_EQ(Pixel(219, 305), 0u);
    // A 10-character name starts at x = 260.
    EXPECT_FALSE(HasInk(250, 235, 10, 16, 0x0000FF));
    EXPECT_TRUE(HasInk(260, 235, 8, 16, 0x0000FF));
    EXPECT_EQ(game->autoStart, 2);
    EXPECT_EQ(plat::headless::MessageBoxes().size(), 0u);

    game->autoStart = 0;
    DrawResults();
    EXPECT_EQ(game->autoStart, 0);
    game->autoStart = 7;
    DrawResults();
    EXPECT_EQ(game->autoStart, 7);
}
