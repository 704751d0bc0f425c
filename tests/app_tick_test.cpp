// The tick: what OnTick does in each screen mode, and the timer's period on the headless clock.
#include <gtest/gtest.h>

#include <cstdint>

#include "game/records.h"
#include "game/timer.h"
#include "gfx/canvas.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "tests/app_files.h"
#include "tests/fixture.h"

using namespace app_test;

namespace {

class OnTickTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        plat::headless::ResetWindowing();
    }
    void TearDown() override {
        ReleaseSprites();
        plat::headless::ResetWindowing();
        GameTest::TearDown();
    }
    // Runs the headless loop up to a message scheduled at atMs, so due ticks run on the way.
    void RunUntil(uint32_t atMs) {
        plat::headless::ScheduleMessage(atMs, plat::Msg::Other, 0, 0);
        plat::Message m{};
        ASSERT_TRUE(plat::NextMessage(m));
        ASSERT_EQ(plat::TickCountMs(), atMs);
    }
};

} // namespace

TEST_F(OnTickTest, AnimFrameRunsZeroToFiveInEveryMode) {
    for (int16_t mode : {0, 1, 2}) {
        game->screenMode = mode;
        game->animFrame = 0;
        for (int16_t expected : {1, 2, 3, 4, 5, 0, 1}) {
            OnTick();
            EXPECT_EQ(game->animFrame, expected) << mode;
        }
    }
}

TEST_F(OnTickTest, TitleTickScrollsAndDrawsTheTwoBoxesRoundTickRunsTheRound) {
    WriteGameGraphics();
    LoadSprites();
    std::memcpy(game->scrollerText[0], "HELLO", 5);
    game->scrollerLength[0] = 5;
    game->scrollerX[0] = 300;
    game->screenMode = 1;
    FillBox(0, 0, 640, 480, 0x111111);
    OnTick();
    EXPECT_EQ(Pixel(70, 10), kBox);
    EXPECT_EQ(Pixel(89, 29), kBox);
    EXPECT_EQ(Pixel(210, 10), kBox);
    EXPECT_EQ(Pixel(90, 30), 0x111111u);
    EXPECT_EQ(Pixel(5, 421), 0u); // the ticker's line was cleared
    // The scroller leaves red, transparent text in force for every later DrawText.
    EXPECT_EQ(plat::TextColour(game->windowDC), 0x0000FFu);
    EXPECT_TRUE(plat::TextTransparent(game->windowDC));

    // In a round the tick is GameTick's: the movement phase moves on, no title boxes appear.
    FillBox(0, 0, 640, 480, 0x111111);
    game->screenMode = 2;
    arena->speedPhase = 4;
    OnTick();
    EXPECT_EQ(arena->speedPhase, 1);
    EXPECT_EQ(Pixel(70, 10), 0x111111u);
    EXPECT_EQ(Pixel(5, 421), 0x111111u);
    // Back on the title screen (F5) the round stands still.
    game->screenMode = 1;
    OnTick();
    EXPECT_EQ(arena->speedPhase, 1);
}

TEST_F(OnTickTest, TimerFiresEveryPeriodAndRestartsWithANewOne) {
    game->screenMode = 0;
    game->gameSpeed = 20;
    StartTickTimer(2 * game->gameSpeed + 10);
    EXPECT_NE(+game->tickTimerId, 0u);
    RunUntil(49);
    EXPECT_EQ(game->animFrame, 0);
    RunUntil(50);
    EXPECT_EQ(game->animFrame, 1);
    RunUntil(149);
    EXPECT_EQ(game->animFrame, 2);
    Handle first = game->tickTimerId;
    RestartTickTimer(210); // gameSpeed 100
    EXPECT_NE(+game->tickTimerId, first);
    RunUntil(358);
    EXPECT_EQ(game->animFrame, 2);
    RunUntil(359);
    EXPECT_EQ(game->animFrame, 3);
    StopTickTimer();
    RunUntil(2000);
    EXPECT_EQ(game->animFrame, 3);
}

TEST_F(OnTickTest, ASpeedFromTheFileOutsideItsRangeStillTicks) {
    // Such speeds once gave a period of days, or of 0 (no timer at all): the game stood still.
    game->screenMode = 0;
    const struct {
        int32_t speed;
        uint32_t period;
    } cases[] = {{0, 10},    {100, 210},        {-1, 10},      {INT32_MIN, 10},
                 {101, 210}, {0x7FFFFFFB, 210}, {1000000, 210}};
    uint32_t now = 0;
    for (const auto& c : cases) {
        game->gameSpeed = c.speed;
        game->animFrame = 0;
        RestartTickTimer(TickPeriod(game->gameSpeed));
        EXPECT_EQ(plat::headless::TimerPeriod(game->tickTimerId), c.period) << c.speed;
        now += 2 * c.period;
        RunUntil(now);
        EXPECT_EQ(game->animFrame, 2) << c.speed;
    }
    StopTickTimer();
}

TEST_F(OnTickTest, WaitMsReturnsNoEarlierThanAsked) {
    WaitMs(0);
    EXPECT_EQ(plat::TickCountMs(), 0u);
    WaitMs(20);
    EXPECT_EQ(plat::TickCountMs(), 20u);
}
