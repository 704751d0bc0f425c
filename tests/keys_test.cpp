// HandleKey and ReturnToTitle: F5, F8 and the players' bindings.
#include <vector>

#include "game/keys.h"
#include "platform/headless.h"
#include "tests/rules_fixture.h"

namespace {

class KeysTest : public RulesTest {};

TEST_F(KeysTest, F5ReturnsToTheTitleAndCancelsAPendingRestart) {
    plat::headless::ResetWindowing();
    game->mainWindow = 1;
    StartRound({kHuman, kHuman});
    game->autoStart = 25;
    HandleKey(116);
    EXPECT_EQ(game->screenMode, 1);
    EXPECT_EQ(game->autoStart, 1);
    EXPECT_EQ(plat::headless::PaintRequests(), 1);
    game->autoStart = 0;
    ReturnToTitle();
    EXPECT_EQ(game->autoStart, 0);

    // F8 starts a round in any mode.
    arena->playersLeft = 0;
    HandleKey(119);
    EXPECT_EQ(game->screenMode, 2);
    EXPECT_EQ(arena->playersLeft, 2);
}

TEST_F(KeysTest, BindingsInPlayerOrderAndActionOrder) {
    StartRound({kHuman, kHuman});
    Place(0, 30, 30, 1, 0);
    Place(1, 60, 60, 1, 0);
    // Player 0: 'W' up, 'S' down, 'A' left, 'D' right, Space fire; player 1 shares 'S' as left.
    game->keys[0] = 'W', game->keys[4] = 'S', game->keys[8] = 'A', game->keys[12] = 'D', game->keys[16] = 32;
    game->keys[9] = 'S';
    HandleKey('W');
    EXPECT_EQ(game->dirY[0], -1);
    HandleKey('S'); // one key, two players
    EXPECT_EQ(game->dirY[0], 1);
    EXPECT_EQ(game->dirX[1], -1);
    // A key bound to up and down of the same player: both run, down last.
    game->keys[0] = 'X', game->keys[4] = 'X';
    HandleKey('X');
    EXPECT_EQ(game->dirY[0], 1);
    arena->ammo[0] = 3;
    HandleKey(32);
    EXPECT_TRUE(InFlight(0));
    // Codes above 255 never match, even when their low byte does.
    HandleKey(256 + 'A');
    EXPECT_EQ(game->dirX[0], 0);
    EXPECT_EQ(game->dirY[0], 1);
}

} // namespace
