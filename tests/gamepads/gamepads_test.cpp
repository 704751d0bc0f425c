// Game controllers through SDL's own event path: SDL's virtual joysticks, opened as game
// controllers by the sdl back end's controller handling, whose presses go to the window procedure
// as key-downs.
#include <fstream>
#include <vector>

#include "app/input.h"
#include "game/tick.h"
#include "platform/headless.h"
#include "platform/sdl/gamepads.h"
#include "platform/sdl/testing/virtual_pads.h"
#include "settings/dialogs.h"
#include "tests/rules_fixture.h"

namespace {

using namespace plat::sdl;
using namespace plat::sdl::testing;

std::vector<int> pressed; // every key-down a controller sent, since the last clear

void KeyDown(int code) {
    pressed.push_back(code);
    MainWindowProc(1, plat::Msg::KeyDown, code, 0);
}

class GamepadsTest : public RulesTest {
  protected:
    void SetUp() override {
        RulesTest::SetUp();
        plat::headless::ResetWindowing();
        game->mainWindow = 1;
        int real = HoldJoysticks();
        held = real >= 0;
        if (real != 0)
            GTEST_SKIP() << (real < 0 ? "SDL has no joysticks here" : "a real joystick is connected");
        pressed.clear();
    }
    void TearDown() override {
        StopGamepads();
        if (held) ReleaseJoysticks();
        plat::headless::ClearDialogActions();
        plat::headless::ResetWindowing();
        RulesTest::TearDown();
    }
    static void Attach(int k, const char* name, bool live = true) {
        ASSERT_TRUE(AttachPad(k, name));
        PumpPadEvents(live);
    }
    // Presses and releases a button of pad k; the key codes that came of it.
    static std::vector<int> Tap(int k, const char* button, bool live = true) {
        pressed.clear();
        EXPECT_TRUE(SetPadButton(k, button, true));
        PumpPadEvents(live);
        EXPECT_TRUE(SetPadButton(k, button, false));
        PumpPadEvents(live);
        return pressed;
    }
    // The game's number for pad k, from the code of its A button; 0 when it has none.
    static int Number(int k) {
        std::vector<int> codes = Tap(k, "a");
        if (codes.size() != 1) return 0;
        return (codes[0] - kFirstPadCode) / kPadButtons + 1;
    }
    bool held = false;
};

TEST_F(GamepadsTest, CaptureBindsAControllerThenItSteersFiresAndTheStickTurnsOnceAtHalfWay) {
    EXPECT_FALSE(KeyboardUsesPadCodes());
    StartGamepads(KeyDown);
    Attach(1, "Pad A");
    Attach(2, "Pad B");
    // Player Setup's Keys button, then controller 2's D-pad, A and B, as a player binds keys.
    plat::headless::QueueDialogAction(plat::headless::PressControl(117));
    OpenPlayerSetup(0);
    ASSERT_EQ(+game->keyCaptureStep, 1);
    for (const char* button : {"up", "down", "left", "right", "a", "b"}) EXPECT_EQ(Tap(2, button).size(), 1u);
    EXPECT_EQ(+game->keyCaptureStep, 0);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(game->keys[4 * i], PadCode(2, kPadUp + i)) << i;
    EXPECT_EQ(PadCode(2, kPadUp), 156);
    // The prompt shows each code as it shows a key's: "156" beside "Press up...".
    EXPECT_LT(CountPixels(100, 120, 24, 16, 0), 24 * 16);

    StartRound({kHuman, kComputer});
    Place(0, 60, 40, 1, 0);
    EXPECT_EQ(Tap(2, "up"), std::vector<int>{156});
    GameTick();
    EXPECT_EQ(game->headY[0], 39);
    arena->ammo[0] = 3;
    Tap(2, "a");
    EXPECT_TRUE(InFlight(0));
    // Controller 1 is bound to nothing: its presses are keys nobody holds. Start is no key at all.
    EXPECT_EQ(Tap(1, "left"), std::vector<int>{PadCode(1, kPadLeft)});
    EXPECT_TRUE(Tap(1, "start").empty());
    EXPECT_EQ(game->dirY[0], -1);
    // While a dialog is up the buttons do nothing.
    EXPECT_TRUE(Tap(2, "left", false).empty());
    EXPECT_EQ(game->dirY[0], -1);

    // The stick past half way is one press; wavering about half way presses nothing more until it
    // has come back near the middle.
    pressed.clear();
    for (int value : {-12000, -20000, -15000, -17000, -9000, -32768, 0, -16384, 20000}) {
        SetPadAxis(2, "leftx", value);
        PumpPadEvents(true);
    }
    EXPECT_EQ(pressed, (std::vector<int>{158, 158, 159}));
    EXPECT_EQ(game->dirX[0], 1);
    pressed.clear();
    for (int value : {32767, 9000, 16384}) {
        SetPadAxis(2, "lefty", value);
        PumpPadEvents(true);
    }
    EXPECT_EQ(pressed, std::vector<int>{157});
}

TEST_F(GamepadsTest, NumbersFollowPlugsInARoundAndTheFifthIsIgnored) {
    StartGamepads(KeyDown);
    Attach(1, "Pad A");
    Attach(2, "Pad B");
    Attach(3, "Pad C");
    EXPECT_EQ(Number(1), 1);
    EXPECT_EQ(Number(2), 2);
    EXPECT_EQ(Number(3), 3);
    StartRound({kHuman, kComputer});
    Place(0, 30, 30, 0, 1);
    game->keys[8] = static_cast<uint8_t>(PadCode(2, kPadLeft));
    game->keys[12] = static_cast<uint8_t>(PadCode(2, kPadRight));
    // Controller 2 goes while its right button is down: the worm goes on straight, nothing is pressed.
    SetPadButton(2, "right", true);
    PumpPadEvents(true);
    EXPECT_EQ(game->dirX[0], 1);
    pressed.clear();
    ASSERT_TRUE(DetachPad(2));
    PumpPadEvents(true);
    EXPECT_TRUE(pressed.empty());
    for (int i = 0; i < 5; ++i) GameTick();
    EXPECT_EQ(game->headX[0], 35);
    EXPECT_EQ(game->dirX[0], 1);
    // A new controller meanwhile takes a number never used; controller 2 comes back to its own,
    // plugged in while a dialog is up.
    Attach(4, "Pad D");
    EXPECT_EQ(Number(4), 4);
    Attach(2, "Pad B", false);
    EXPECT_EQ(Number(2), 2);
    Tap(2, "left");
    EXPECT_EQ(game->dirX[0], -1);
    // A fifth is ignored, and stays so while numbers are free; two away come back each to its own.
    Attach(5, "Pad E");
    EXPECT_EQ(Number(5), 0);
    ASSERT_TRUE(DetachPad(1));
    ASSERT_TRUE(DetachPad(2));
    PumpPadEvents(true);
    EXPECT_EQ(Number(5), 0);
    Attach(2, "Pad B");
    EXPECT_EQ(Number(2), 2);
    Attach(1, "Pad A");
    EXPECT_EQ(Number(1), 1);
}

TEST_F(GamepadsTest, TheSameControllersInTheSameOrderGetTheSameNumbersAtEveryStartAndMappingsAreRead) {
    for (int start = 0; start < 2; ++start) {
        // Connected before the game starts.
        ASSERT_TRUE(AttachPad(1, "Pad Z"));
        ASSERT_TRUE(AttachPad(2, "Pad A"));
        ASSERT_TRUE(AttachPad(3, "Pad M"));
        // The second time the player's own mappings swap A and B of the third, beside a line that is
        // no mapping at all.
        if (start == 1)
            std::ofstream("gamecontrollerdb.txt") << "not a mapping\n"
                                                  << PadGuid(3) << ",Pad M,a:b1,b:b0,platform:Linux,\n";
        StartGamepads(KeyDown);
        PumpPadEvents(true); // their connections come as events as well, and change nothing
        EXPECT_EQ(Number(1), 1) << start;
        EXPECT_EQ(Number(2), 2) << start;
        EXPECT_EQ(Tap(3, "a"), std::vector<int>{PadCode(3, start == 0 ? kPadA : kPadB)}) << start;
        StopGamepads();
        ReleaseJoysticks();
        ASSERT_EQ(HoldJoysticks(), 0);
    }
}

} // namespace
