// The round's tick: movement phases, Turbo, Warp, Bash, boxes, deaths, places and the countdown.
#include <vector>

#include "game/explosions.h"
#include "game/tick.h"
#include "gfx/canvas.h"
#include "platform/headless.h"
#include "tests/rules_fixture.h"

namespace {

class GameTickTest : public RulesTest {};

TEST_F(GameTickTest, PhaseCycleMovesEachSpeedOnItsTicks) {
    StartRound({kHuman});
    std::vector<int16_t> phases;
    for (int t = 0; t < 12; ++t) {
        GameTick();
        phases.push_back(arena->speedPhase);
    }
    EXPECT_EQ(phases, (std::vector<int16_t>{1, 6, 2, 5, 3, 4, 1, 6, 2, 5, 3, 4}));

    // Which ticks of a six-tick cycle (tick 1 has phase 1) a worm of each speed moves on.
    const std::vector<std::vector<int>> moves = {
        {}, {1}, {1, 3}, {1, 3, 5}, {1, 3, 5, 6}, {1, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}};
    for (int speed = -1; speed <= 6; ++speed) {
        StartRound({kHuman});
        game->profiles[0].speed = static_cast<int8_t>(speed);
        Place(0, 10, 40, 1, 0);
        std::vector<int> moved;
        for (int t = 1; t <= 12; ++t) {
            int before = game->headX[0];
            GameTick();
            if (game->headX[0] != before) moved.push_back((t - 1) % 6 + 1);
            ASSERT_LE(game->headX[0] - before, 1);
        }
        std::vector<int> expected;
        for (int cycle = 0; cycle < 2; ++cycle)
            for (int t : moves[speed < 0 ? 0 : speed]) expected.push_back(t);
        EXPECT_EQ(moved, expected) << "speed " << speed;
        EXPECT_EQ(arena->out[0], 0);
        // The trail is every cell the head has been on.
        for (int x = 10; x <= game->headX[0]; ++x) EXPECT_EQ(GetCell(x, 40), 1);
    }
}

TEST_F(GameTickTest, TurboMovesTwiceUnlessTheFirstMoveKills) {
    StartRound({kHuman, kHuman, kHuman});
    Place(0, 10, 40, 1, 0);
    Place(1, 10, 60, 1, 0);
    Place(2, 10, 20, 1, 0);
    arena->bombs[0].turboState = 0;
    arena->bombs[1].turboState = 0;
    SetCell(11, 60, 1); // worm 1 runs into this on its first move
    GameTick();
    EXPECT_EQ(game->headX[0], 12);
    EXPECT_EQ(game->headX[2], 11);
    EXPECT_EQ(arena->out[1], 1);
    EXPECT_EQ(game->headX[1], 11); // no second move after the fatal one
}

TEST_F(GameTickTest, WarpWrapsForOneAmmunitionAndTheEdgeKillsWithout) {
    StartRound({kHuman, kHuman, kHuman});
    Give(0, {kWarp});
    Place(0, 0, 40, -1, 0);
    Place(1, 50, 70, 0, 0); // standing still
    Place(2, 60, 70, 0, 0);
    arena->ammo[0] = 1;
    GameTick();
    EXPECT_EQ(game->headX[0], 119);
    EXPECT_EQ(arena->ammo[0], 0);
    EXPECT_EQ(arena->out[0], 0);
    EXPECT_EQ(GetCell(119, 40), 1);

    // Without ammunition the wrap is gone: the worm dies just outside, its blast centred there.
    Place(0, 0, 30, -1, 0);
    SetCell(3, 34, 1);
    SetCell(4, 34, 1);
    uint32_t before = Clock();
    GameTick();
    EXPECT_EQ(arena->out[0], 1);
    EXPECT_EQ(game->headX[0], -1);
    EXPECT_EQ(Clock() - before, 20u);
    EXPECT_EQ(GetCell(3, 34), 0);
    EXPECT_EQ(GetCell(4, 34), 1);
}

TEST_F(GameTickTest, BashBlastsThroughInsideTheFieldAndSparesOnlyTheBasher) {
    StartRound({kHuman, kHuman, kHuman});
    Give(0, {kBash});
    Wall(30, 38, 35, 42);
    Place(0, 29, 40, 1, 0);
    Place(1, 33, 43, 0, 0); // inside the blast round (30, 40)
    Place(2, 80, 70, 0, 0);
    arena->ammo[0] = 2;
    GameTick();
    EXPECT_EQ(arena->out[0], 0);
    EXPECT_EQ(game->headX[0], 30);
    EXPECT_EQ(arena->ammo[0], 0);
    EXPECT_EQ(GetCell(30, 40), 1); // the head's cell is solid again after the move
    EXPECT_EQ(GetCell(31, 40), 0);
    EXPECT_EQ(GetCell(34, 42), 0);
    EXPECT_EQ(GetCell(35, 40), 1); // beyond the 9 x 9 square
    EXPECT_EQ(arena->out[1], 1);
    EXPECT_EQ(arena->rank[1], 3);

    // With one ammunition, or on column 0, Bash does not help.
    StartRound({kHuman, kHuman, kHuman});
    Give(0, {kBash});
    Give(1, {kBash});
    Wall(30, 38, 35, 42);
    Place(0, 29, 40, 1, 0);
    arena->ammo[0] = 1;
    SetCell(0, 60, 1);
    Place(1, 1, 60, -1, 0);
    arena->ammo[1] = 5;
    Place(2, 80, 70, 0, 0);
    GameTick();
    EXPECT_EQ(arena->out[0], 1);
    EXPECT_EQ(arena->out[1], 1);
    EXPECT_EQ(arena->ammo[1], 5);
}

TEST_F(GameTickTest, BoxesAreCollectedFromAnyOfTheirCellsAndAmmunitionStopsAt127) {
    StartRound({kHuman, kHuman});
    Place(0, 20, 40, 1, 0);
    Place(1, 80, 70, 0, 0);
    ParkBox(0, 21, 37, 2); // the head enters its bottom-left cell
    ParkBox(3, 18, 40, 1); // overlapping the same cell
    FillBox(105, 185, 20, 20, 0xFFFFFF);
    GameTick();
    EXPECT_EQ(arena->ammo[0], 3 + 2 + 1);
    EXPECT_NE(arena->boxAmmo[0], 0); // placed anew with new contents
    EXPECT_NE(arena->boxAmmo[3], 0);
    EXPECT_EQ(Pixel(110, 190), 0u); // the old picture is erased
    EXPECT_EQ(Pixel(5 * 21, 5 * 40), +game->profiles[0].color);

    // A signed byte of ammunition: a full count does not wrap round to negative.
    arena->ammo[0] = 126;
    ParkBox(1, 22, 39, 2);
    GameTick();
    EXPECT_EQ(arena->ammo[0], 127);
}

TEST_F(GameTickTest, PlacesAndTheCountdownOfAFourWormRound) {
    StartRound({kHuman, kHuman, kHuman, kHuman});
    game->autoStart = 1;
    for (int p = 0; p < 4; ++p) Place(p, 20 + 10 * p, 40, 0, 0);
    KillPlayer(2);
    KillPlayer(0);
    EXPECT_EQ(arena->playersLeft, 2);
    KillPlayer(3);
    EXPECT_EQ(arena->rank[2], 4);
    EXPECT_EQ(arena->rank[0], 3);
    EXPECT_EQ(arena->rank[3], 2);
    EXPECT_EQ(arena->playersLeft, 30);
    game->missileDX[3] = 1; // slot 3 = worm 1's first missile
    game->missileX[3] = 50, game->missileY[3] = 10;
    for (int t = 0; t < 23; ++t) GameTick();
    EXPECT_EQ(arena->playersLeft, 7);
    EXPECT_EQ(arena->out[1], 0);
    GameTick();
    EXPECT_EQ(arena->playersLeft, 0);
    EXPECT_EQ(arena->rank[1], 1);
    EXPECT_EQ(arena->out[1], 1);
    EXPECT_FALSE(InFlight(3));
    EXPECT_EQ(arena->boxX[0], 246);
    EXPECT_EQ(arena->boxY[3], 246);
    EXPECT_EQ(game->autoStart, 2); // the results arm the automatic restart

    // The next round comes 38 ticks after the results, through F8's handling.
    for (int t = 0; t < 37; ++t) GameTick();
    EXPECT_EQ(arena->playersLeft, 0);
    EXPECT_EQ(game->autoStart, 39);
    GameTick();
    EXPECT_EQ(game->autoStart, 1);
    EXPECT_EQ(arena->playersLeft, 4);
    for (int p = 0; p < 4; ++p) EXPECT_EQ(arena->out[p], 0);
}

TEST_F(GameTickTest, TwoWormsInOneExplosionAndTheSurvivorHittingAWall) {
    // The last two caught by one blast: the first in scan order takes place 2, the other wins.
    StartRound({kHuman, kHuman, kHuman});
    Place(0, 50, 40, 0, 0);
    Place(1, 48, 42, 0, 0);
    Place(2, 90, 60, 0, 0);
    KillPlayer(2);
    game->activePlayer = -1;
    Explode(50, 41);
    EXPECT_EQ(arena->out[0], 1);
    EXPECT_EQ(arena->rank[0], 2);
    EXPECT_EQ(arena->out[1], 0); // not marked out: the countdown is cut short instead
    EXPECT_EQ(arena->playersLeft, 7);
    GameTick();
    EXPECT_EQ(arena->rank[1], 1);
    EXPECT_EQ(arena->playersLeft, 0);

    // The survivor running into a wall during the countdown still takes place 1.
    StartRound({kHuman, kHuman});
    Place(0, 50, 40, 1, 0);
    Place(1, 90, 60, 0, 0);
    KillPlayer(1);
    for (int t = 0; t < 5; ++t) GameTick();
    SetCell(game->headX[0] + 1, 40, 1);
    GameTick();
    EXPECT_EQ(arena->out[0], 0);
    EXPECT_EQ(arena->playersLeft, 7);
    GameTick();
    EXPECT_EQ(arena->playersLeft, 0);
    EXPECT_EQ(arena->rank[0], 1);
    EXPECT_EQ(arena->rank[1], 2);
}

TEST_F(GameTickTest, ASingleWormRoundNeverEnds) {
    StartRound({kHuman});
    game->autoStart = 1;
    Place(0, 118, 40, 1, 0);
    GameTick();
    GameTick();
    EXPECT_EQ(arena->out[0], 1);
    EXPECT_EQ(arena->playersLeft, 0);
    for (int t = 0; t < 100; ++t) GameTick();
    EXPECT_EQ(game->autoStart, 1);
    EXPECT_EQ(arena->boxX[0], 7); // never moved off: no results were drawn
}

TEST_F(GameTickTest, AWormIsTakenOutOnceAndMakesNoMoveOnceOut) {
    StartRound({kHuman, kHuman, kHuman});
    KillPlayer(1);
    KillPlayer(1);
    EXPECT_EQ(arena->playersLeft, 2);
    EXPECT_EQ(arena->rank[1], 3);

    // A computer worm whose own Super Bombs (as supernovas) take it out does not move on and
    // die a second time into the wall ahead of it.
    StartRound({kComputer, kHuman, kHuman});
    Give(0, {kSuperBombs, kSuperNova});
    Place(0, 50, 40, 1, 0);
    Place(1, 56, 44, 0, 0); // within 8 of the head
    Place(2, 100, 70, 0, 0);
    SetCell(51, 40, 1);
    GameTick();
    EXPECT_EQ(arena->out[0], 1);
    EXPECT_EQ(game->headX[0], 50);
    EXPECT_EQ(arena->rank[0], 3);
    EXPECT_EQ(arena->out[1], 1); // caught by the same supernovas
    EXPECT_EQ(arena->rank[1], 2);
    EXPECT_EQ(arena->playersLeft, 30); // one worm left: the countdown, counted once

    // The same with a Bomb Missile set off next to its own head.
    StartRound({kComputer, kHuman, kHuman});
    Give(0, {kBombMissile});
    Place(0, 50, 40, 1, 0);
    Place(1, 90, 41, 0, 0); // ahead in the fire window
    Place(2, 100, 70, 0, 0);
    game->missileX[0] = 52, game->missileY[0] = 40, game->missileDX[0] = 1;
    SetCell(51, 40, 1);
    GameTick();
    EXPECT_EQ(arena->out[0], 1);
    EXPECT_EQ(game->headX[0], 50);
    EXPECT_EQ(game->headY[0], 40);
    EXPECT_EQ(arena->playersLeft, 2);
}

} // namespace
