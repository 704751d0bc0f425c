// The main window procedure on the headless back end: title-screen clicks, paint, keys, commands.
#include <gtest/gtest.h>

#include <vector>

#include "app/input.h"
#include "game/records.h"
#include "gfx/canvas.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/msgbox.h"
#include "platform/surface.h"
#include "settings/dialogs.h"
#include "tests/app_files.h"
#include "tests/fixture.h"

using namespace app_test;

namespace {

class TitleTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        plat::headless::ResetWindowing();
        WriteGameGraphics();
        LoadSprites();
        game->mainWindow = 1;
        game->screenMode = 1;
        plat::headless::SetClock(0);
    }
    void TearDown() override {
        ReleaseSprites();
        plat::headless::ResetWindowing();
        GameTest::TearDown();
    }
    // Everything posted so far; the last entry is the quit (msg Other, first = its code) when posted.
    std::vector<plat::Message> Drain() {
        std::vector<plat::Message> out;
        plat::Message m{};
        while (plat::NextMessage(m)) out.push_back(m);
        if (m.first != plat::headless::kIdleExitCode) out.push_back(m);
        return out;
    }
    // Whether anything was drawn into the 8 x 16 character cell at (x, y).
    bool Drawn(int x, int y) const {
        for (int dy = 0; dy < 16; ++dy)
            for (int dx = 0; dx < 8; ++dx)
                if (Pixel(x + dx, y + dy) != 0) return true;
        return false;
    }
    intptr_t Send(plat::Msg msg, intptr_t first = 0, intptr_t second = 0) {
        return MainWindowProc(1, msg, first, second);
    }
};

bool IsQuit(const plat::Message& m) {
    return m.msg == plat::Msg::Other && m.first == 0;
}

} // namespace

TEST_F(TitleTest, LeftClicksOnSlotIconsCycleKindsWithinTheirExactBounds) {
    // Between slots 0 and 1, and just left of slot 0: nothing at all happens.
    for (unsigned x : {72u, 80u, 103u, 39u, 0u}) {
        TitleClick(1, x, 50);
        EXPECT_EQ(plat::TickCountMs(), 0u) << x;
    }
    for (int16_t k : game->playerKind) EXPECT_EQ(k, 0);
    EXPECT_TRUE(Drain().empty());

    // (40, 40) is slot 0's top-left corner: none -> human -> computer -> none.
    TitleClick(1, 40, 40);
    EXPECT_EQ(game->playerKind[0], kHuman);
    EXPECT_EQ(plat::TickCountMs(), 100u); // the pressed look is held 100 ms
    EXPECT_EQ(Pixel(50, 50), kHumanIcon);
    TitleClick(1, 71, 72);
    EXPECT_EQ(game->playerKind[0], kComputer);
    EXPECT_EQ(Pixel(50, 50), kCompIcon);
    TitleClick(1, 40, 40);
    EXPECT_EQ(game->playerKind[0], kNoPlayer);
    EXPECT_EQ(Pixel(50, 50), kNone);

    // The rows just outside 40..72, and the strip right of the last slot, hit nothing.
    TitleClick(1, 50, 39);
    TitleClick(1, 50, 73);
    TitleClick(1, 264, 50);
    for (int16_t k : game->playerKind) EXPECT_EQ(k, 0);
    // Slots 1..3 start 64 pixels apart.
    TitleClick(1, 104, 50);
    TitleClick(1, 168, 50);
    TitleClick(1, 263, 72);
    EXPECT_EQ(game->playerKind[1], kHuman);
    EXPECT_EQ(game->playerKind[2], kHuman);
    EXPECT_EQ(game->playerKind[3], kHuman);
    EXPECT_TRUE(Drain().empty());

    // A kind from a broken file starts the cycle again instead of running off the icon table.
    game->playerKind[1] = 7;
    TitleClick(1, 104, 50);
    EXPECT_EQ(game->playerKind[1], kNoPlayer);
}

TEST_F(TitleTest, RightClicksOpenPlayerSetupOnASlotAndPreferencesElsewhere) {
    TitleClick(2, 110, 60);
    EXPECT_EQ(game->playerKind[1], 0); // kinds change only by left clicks
    EXPECT_EQ(plat::TickCountMs(), 100u);
    TitleClick(2, 300, 200);
    TitleClick(2, 80, 50); // between two slots: nothing, not even the Preferences
    auto posted = Drain();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].msg, plat::Msg::Command);
    EXPECT_EQ(posted[0].first, 500);
    EXPECT_EQ(posted[0].second, 1);
    EXPECT_EQ(posted[1].msg, plat::Msg::Command);
    EXPECT_EQ(posted[1].first, 4);
}

TEST_F(TitleTest, PlayAndQuitButtonsAndTheirEdges) {
    TitleClick(1, 475, 316);
    TitleClick(1, 476, 315);
    TitleClick(1, 509, 316);
    TitleClick(1, 525, 348);
    TitleClick(1, 559, 316);
    TitleClick(1, 526, 349);
    EXPECT_EQ(game->screenMode, 1);
    EXPECT_TRUE(Drain().empty());

    TitleClick(1, 558, 348);
    EXPECT_EQ(Pixel(530, 320), kQuit); // pressed, then the button again
    auto posted = Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(IsQuit(posted[0]));

    // A right click on play starts the round and then also asks for the Preferences.
    TitleClick(2, 508, 348);
    EXPECT_EQ(game->screenMode, 2);
    posted = Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, plat::Msg::Command);
    EXPECT_EQ(posted[0].first, 4);
}

TEST_F(TitleTest, ClicksDuringARoundAreIgnored) {
    game->screenMode = 2;
    TitleClick(1, 480, 320);
    TitleClick(2, 480, 320);
    TitleClick(1, 530, 320);
    TitleClick(1, 40, 40);
    TitleClick(2, 40, 40);
    TitleClick(2, 300, 300);
    EXPECT_EQ(game->playerKind[0], 0);
    EXPECT_EQ(plat::TickCountMs(), 0u);
    EXPECT_TRUE(Drain().empty());
    // Through the window procedure, with packed coordinates, likewise.
    EXPECT_EQ(Send(plat::Msg::LeftDown, 0, plat::PackPoint(40, 40)), 1);
    EXPECT_EQ(game->playerKind[0], 0);
    game->screenMode = 1;
    EXPECT_EQ(Send(plat::Msg::LeftDown, 0, plat::PackPoint(232, 72)), 1);
    EXPECT_EQ(game->playerKind[3], kHuman);
    EXPECT_EQ(Send(plat::Msg::RightDown, 0, plat::PackPoint(232, 72)), 1);
    auto posted = Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].first, 500);
    EXPECT_EQ(posted[0].second, 3);
}

TEST_F(TitleTest, PaintDrawsTheTitleScreenOnlyInMode1) {
    game->profiles[0].color = 0x0000FF;
    game->profiles[2].color = 0x00FF00;
    game->playerKind[0] = kHuman;
    game->playerKind[2] = kComputer;
    EXPECT_EQ(Send(plat::Msg::Paint), 0);
    EXPECT_EQ(Pixel(599, 399), kLogo);
    EXPECT_EQ(Pixel(600, 0), 0u); // right of the logo: the black box
    EXPECT_EQ(Pixel(100, 10), kPlayers);
    EXPECT_EQ(Pixel(199, 29), kPlayers);
    EXPECT_EQ(Pixel(526, 316), kQuit);
    EXPECT_EQ(Pixel(557, 347), kQuit);
    EXPECT_EQ(Pixel(476, 316), kPlay);
    EXPECT_EQ(Pixel(38, 38), 0x0000FFu); // slot 0's frame in its colour
    EXPECT_EQ(Pixel(73, 73), 0x0000FFu);
    EXPECT_EQ(Pixel(40, 40), kHumanIcon);
    EXPECT_EQ(Pixel(102, 38), 0u); // slot 1: black frame, empty seat
    EXPECT_EQ(Pixel(104, 40), kNone);
    EXPECT_EQ(Pixel(166, 38), 0x00FF00u);
    EXPECT_EQ(Pixel(168, 40), kCompIcon);
    EXPECT_EQ(Pixel(232, 40), kNone);

    for (int16_t mode : {0, 2}) {
        game->screenMode = mode;
        FillBox(0, 0, 640, 480, 0x123456);
        Send(plat::Msg::Paint);
        EXPECT_EQ(Pixel(300, 300), 0x123456u) << mode;
    }
}

TEST_F(TitleTest, KeyCaptureStoresSixBindingsWithPromptsThenDispatchesEachKey) {
    game->keyCaptureStep = 1;
    game->activePlayer = 2;
    // Every message redraws the current prompt, even one the window procedure does not handle.
    EXPECT_FALSE(Drawn(10, 100));
    Send(plat::Msg::MouseMove);
    EXPECT_TRUE(Drawn(10, 100)); // "Setting keys:" at (10, 100) on the default white background
    EXPECT_TRUE(Drawn(10, 120)); // "Press up..." at (10, 120)
    const unsigned keys[6] = {38, 40, 37, 39, 17, 16};
    for (int step = 0; step < 6; ++step) {
        EXPECT_EQ(+game->keyCaptureStep, step + 1);
        EXPECT_EQ(Send(plat::Msg::KeyDown, keys[step]), 1);
        EXPECT_TRUE(Drawn(100, 120 + 20 * step)) << step; // the code drawn at (100, 100 + 20 * step)
    }
    EXPECT_EQ(+game->keyCaptureStep, 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(game->keys[4 * i + 2], keys[i]) << i;
    for (int i = 0; i < 24; ++i) {
        if (i % 4 == 2) continue;
        EXPECT_EQ(game->keys[i], 0) << i;
    }
    EXPECT_TRUE(Drawn(10, 240)); // "Done!"
    EXPECT_EQ(plat::TickCountMs(), 200u);
    auto posted = Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].msg, plat::Msg::Paint);

    // The captured key is handed on as well: F8 as the up key of player 0 also starts a round.
    game->keyCaptureStep = 1;
    game->activePlayer = 0;
    Send(plat::Msg::KeyDown, 119 + 256); // the low byte is stored, the full code dispatched
    EXPECT_EQ(game->keys[0], 119);
    EXPECT_EQ(game->screenMode, 1); // 375 is not F8
    Send(plat::Msg::KeyDown, 119);
    EXPECT_EQ(game->keys[4], 119);
    EXPECT_EQ(game->screenMode, 2);
}

TEST_F(TitleTest, F8StartsARoundAndF5ReturnsToTheTitle) {
    Send(plat::Msg::KeyDown, 119);
    EXPECT_EQ(game->screenMode, 2);
    game->autoStart = 20; // a restart counting down is cancelled
    int paints = plat::headless::PaintRequests();
    Send(plat::Msg::KeyDown, 116);
    EXPECT_EQ(game->screenMode, 1);
    EXPECT_EQ(game->autoStart, 1);
    EXPECT_EQ(plat::headless::PaintRequests(), paints + 1);
    EXPECT_EQ(Send(plat::Msg::Char, 'a'), 0);
}

TEST_F(TitleTest, MenuCommandsAndClose) {
    EXPECT_EQ(Send(plat::Msg::Command, 1), 0);
    EXPECT_EQ(game->screenMode, 2);
    game->screenMode = 1;
    EXPECT_EQ(Send(plat::Msg::Command, 0x10000 | 1), 0); // only the low word is the id
    EXPECT_EQ(game->screenMode, 2);
    Send(plat::Msg::Command, 77);
    EXPECT_TRUE(Drain().empty());
    Send(plat::Msg::Command, 2);
    auto posted = Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(IsQuit(posted[0]));
    EXPECT_EQ(Send(plat::Msg::Close), 0);
    posted = Drain();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(IsQuit(posted[0]));
}

TEST_F(TitleTest, ClosedBoxesAndDialogsLeaveOnePaintForWhatTheyCovered) {
    FillBox(0, 0, 640, 480, 0x123456);
    plat::ShowMessageBox(game->mainWindow, "one", "Box");
    plat::ShowMessageBox(game->mainWindow, "two", "Box");
    plat::headless::QueueDialogAction(plat::headless::PressControl(1));
    OpenAbout();
    int paints = 0;
    for (const plat::Message& m : Drain())
        if (m.msg == plat::Msg::Paint) {
            ++paints;
            Send(m.msg);
        }
    EXPECT_EQ(paints, 1); // three things closed over the window, one paint once the queue is empty
    EXPECT_NE(Pixel(40, 40), 0x123456u) << "the title screen was not drawn again";
    // Keys closes Player Setup with a capture under way: the repainted title keeps its prompt.
    auto promptArea = [&] {
        std::vector<uint32_t> area;
        for (int y = 100; y < 136; ++y)
            for (int x = 10; x < 110; ++x) area.push_back(Pixel(x, y));
        return area;
    };
    std::vector<uint32_t> bare = promptArea();
    game->keyCaptureStep = 1;
    Send(plat::Msg::Paint);
    EXPECT_NE(promptArea(), bare) << "the key prompt is gone under the title";
    game->keyCaptureStep = 0;
}
