// Player actions and missile flight: volleys, ammunition, the timers of Machine Gun, Jojo and
// Triple Missile, Remote Missile, Bomb Missile, Super Bombs, Bombs and Turbo.
#include <vector>

#include "game/actions.h"
#include "game/missiles.h"
#include "game/tick.h"
#include "tests/rules_fixture.h"

namespace {

class ActionsTest : public RulesTest {
  protected:
    // Worm 0 at (10, 40) heading right, worms 1 and 2 far away and still.
    void SetUp() override {
        RulesTest::SetUp();
        StartRound({kHuman, kHuman, kHuman});
        Place(0, 10, 40, 1, 0);
        Place(1, 100, 75, 0, 0);
        Place(2, 110, 75, 0, 0);
    }
    struct Slot {
        int x, y, dx, dy;
        bool operator==(const Slot&) const = default;
    };
    Slot At(int slot) const {
        return {game->missileX[slot], game->missileY[slot], game->missileDX[slot], game->missileDY[slot]};
    }
    // Calls of StepMissiles(0, 255) that set off an explosion, counting from 1.
    std::vector<int> ExplodingCalls(int calls) {
        std::vector<int> exploded;
        for (int call = 1; call <= calls; ++call) {
            uint32_t before = Clock();
            StepMissiles(0, 255);
            if (Clock() != before) exploded.push_back(call);
        }
        return exploded;
    }
};

TEST_F(ActionsTest, SteeringAndVolleysInEveryDirection) {
    PlayerAction(kActLeft, 0); // reversing is accepted
    EXPECT_EQ(game->dirX[0], -1);
    EXPECT_EQ(game->dirY[0], 0);
    Give(0, {kTripleMissile});
    struct Case {
        unsigned steer;
        Slot s0, s1, s2;
    };
    const Case cases[] = {
        {kActRight, {12, 40, 1, 0}, {12, 42, 1, 1}, {12, 38, 1, -1}},
        {kActLeft, {8, 40, -1, 0}, {8, 38, -1, -1}, {8, 42, -1, 1}},
        {kActUp, {10, 38, 0, -1}, {8, 38, -1, -1}, {12, 38, 1, -1}},
        {kActDown, {10, 42, 0, 1}, {12, 42, 1, 1}, {8, 42, -1, 1}},
    };
    for (const Case& c : cases) {
        for (int k = 0; k < 3; ++k) game->missileDX[k] = game->missileDY[k] = 0;
        arena->ammo[0] = 1;
        PlayerAction(c.steer, 0);
        PlayerAction(kActFire, 0);
        EXPECT_EQ(At(0), c.s0);
        EXPECT_EQ(At(1), c.s1);
        EXPECT_EQ(At(2), c.s2);
        EXPECT_EQ(arena->ammo[0], 0);
        EXPECT_EQ(arena->triples[0].tripleTimer, 18);
        EXPECT_EQ(arena->missileTimer[0], 0);
    }
}

TEST_F(ActionsTest, AmmunitionRulesOfFire) {
    arena->ammo[0] = 0;
    PlayerAction(kActFire, 0);
    EXPECT_FALSE(InFlight(0));
    // A negative count fires too, and runs down no further than -128.
    arena->ammo[0] = -1;
    PlayerAction(kActFire, 0);
    EXPECT_TRUE(InFlight(0));
    EXPECT_EQ(arena->ammo[0], -2);
    // Fire while a missile flies never launches.
    game->missileX[0] = 50;
    PlayerAction(kActFire, 0);
    EXPECT_EQ(game->missileX[0], 50);
    EXPECT_EQ(arena->ammo[0], -2);
    game->missileDX[0] = 0;
    arena->ammo[0] = -128;
    PlayerAction(kActFire, 0);
    EXPECT_TRUE(InFlight(0));
    EXPECT_EQ(arena->ammo[0], -128);
    // A worm that is out does nothing at all.
    game->missileDX[0] = 0;
    arena->out[0] = 1;
    arena->ammo[0] = 3;
    PlayerAction(kActFire, 0);
    PlayerAction(kActUp, 0);
    EXPECT_FALSE(InFlight(0));
    EXPECT_EQ(game->dirX[0], 1);
}

TEST_F(ActionsTest, LaunchCellIsNotTestedAndAPlainMissileEndsOnImpact) {
    Wall(11, 30, 12, 50); // two cells thick, right in front of the head
    arena->ammo[0] = 3;
    PlayerAction(kActFire, 0);
    StepMissiles(0, 255);
    EXPECT_TRUE(InFlight(0)); // started on the wall, tested only from the cell beyond it
    EXPECT_EQ(game->missileX[0], 13);
    game->missileX[0] = 118;
    arena->remoteMode[0] = 1;
    StepMissiles(0, 255); // 119
    StepMissiles(0, 255); // 120: outside
    EXPECT_FALSE(InFlight(0));
    EXPECT_EQ(game->missileX[0], 120);
    EXPECT_EQ(arena->remoteMode[0], 0);
}

TEST_F(ActionsTest, MachineGunBurstsInThe28thCallThenEverySixth) {
    Give(0, {kMachineGun});
    arena->ammo[0] = 3;
    PlayerAction(kActFire, 0);
    EXPECT_EQ(arena->missileTimer[0], 82);
    SetCell(35, 44, 1); // inside the first burst round (39, 40)
    SetCell(34, 44, 1); // just outside it
    std::vector<int> calls = ExplodingCalls(46);
    EXPECT_EQ(calls, (std::vector<int>{28, 34, 40, 46}));
    EXPECT_EQ(GetCell(35, 44), 0);
    EXPECT_EQ(GetCell(34, 44), 1);
    EXPECT_TRUE(InFlight(0)); // bursts do not end the flight
    EXPECT_EQ(game->missileX[0], 12 + 46);
}

TEST_F(ActionsTest, JojoFliesOut25CallsBackSevenAndEndsInThe33rd) {
    Give(0, {kJojo});
    arena->ammo[0] = 1;
    PlayerAction(kActSpecial, 0);
    EXPECT_FALSE(InFlight(0)); // needs more than one
    arena->ammo[0] = 2;
    PlayerAction(kActSpecial, 0);
    EXPECT_EQ(arena->ammo[0], 1);
    EXPECT_EQ(arena->missileTimer[0], -1);
    EXPECT_EQ(At(0), (Slot{12, 40, 1, 0}));
    int farthest = 0;
    std::vector<int> exploded;
    for (int call = 1; call <= 33; ++call) {
        uint32_t before = Clock();
        StepMissiles(0, 255);
        if (Clock() != before) exploded.push_back(call);
        if (game->missileX[0] > farthest) farthest = game->missileX[0];
        if (call == 25) {
            EXPECT_EQ(game->missileX[0], 37);
        }
    }
    EXPECT_EQ(exploded, std::vector<int>{33});
    EXPECT_EQ(farthest, 37);
    EXPECT_FALSE(InFlight(0));
    EXPECT_EQ(game->missileX[0], 30); // 18 past the launch cell, 20 ahead of the head
    EXPECT_EQ(arena->ammo[0], 1);
}

TEST_F(ActionsTest, TripleSpreadTurnsParallelInTheSeventhCall) {
    Give(0, {kTripleMissile});
    arena->ammo[0] = 3;
    PlayerAction(kActFire, 0);
    for (int call = 1; call <= 6; ++call) StepMissiles(0, 255);
    EXPECT_EQ(At(1), (Slot{18, 48, 1, 1}));
    EXPECT_EQ(At(2), (Slot{18, 32, 1, -1}));
    EXPECT_EQ(arena->triples[0].tripleTimer, 0);
    StepMissiles(0, 255);
    EXPECT_EQ(At(0), (Slot{19, 40, 1, 0}));
    EXPECT_EQ(At(1), (Slot{19, 48, 1, 0})); // 8 cells to either side of the centre
    EXPECT_EQ(At(2), (Slot{19, 32, 1, 0}));
}

TEST_F(ActionsTest, RemoteMissileWithoutAnEarlierTripleSteersOnlySlotZero) {
    Give(0, {kRemoteMissile});
    arena->ammo[0] = 3;
    PlayerAction(kActFire, 0);
    EXPECT_EQ(arena->remoteMode[0], 1);
    // Remote steering sets all three slots going, the idle ones from where they stood (0, 0)...
    EXPECT_EQ(At(1), (Slot{0, 0, 1, 0}));
    StepMissiles(0, 255);
    // ...and slot 0's step puts the volley direction, (0, 0), back into them before they move.
    EXPECT_EQ(At(0), (Slot{13, 40, 1, 0}));
    EXPECT_EQ(At(1), (Slot{0, 0, 0, 0}));
    EXPECT_EQ(At(2), (Slot{0, 0, 0, 0}));
    PlayerAction(kActUp, 0);
    EXPECT_EQ(At(0).dy, -1);
    StepMissiles(0, 255);
    EXPECT_EQ(At(0), (Slot{13, 39, 0, -1}));
    // The worm stands still while it steers; a fire press hands it back.
    int x = game->headX[0];
    GameTick();
    EXPECT_EQ(game->headX[0], x);
    EXPECT_EQ(game->headY[0], 40);
    PlayerAction(kActFire, 0);
    EXPECT_EQ(arena->remoteMode[0], 0);
    GameTick();
    EXPECT_EQ(game->headY[0], 39);
}

TEST_F(ActionsTest, RemoteMissileAfterATripleVolley) {
    Give(0, {kRemoteMissile, kTripleMissile});
    arena->ammo[0] = 3;
    PlayerAction(kActFire, 0);
    // A remote volley flies parallel from the start.
    EXPECT_EQ(At(1), (Slot{12, 42, 1, 0}));
    EXPECT_EQ(At(2), (Slot{12, 38, 1, 0}));
    StepMissiles(0, 255);
    PlayerAction(kActUp, 0); // while the spread timer runs all three follow
    StepMissiles(0, 255);
    EXPECT_EQ(At(0), (Slot{13, 39, 0, -1}));
    EXPECT_EQ(At(1), (Slot{13, 41, 0, -1}));
    EXPECT_EQ(At(2), (Slot{13, 37, 0, -1}));
    for (int call = 0; call < 5; ++call) StepMissiles(0, 255);
    EXPECT_LT(arena->triples[0].tripleTimer, 0);
    // Afterwards: at right angles to the fire direction the side missiles stop...
    PlayerAction(kActDown, 0);
    StepMissiles(0, 255);
    EXPECT_EQ(At(0).dy, 1);
    EXPECT_FALSE(InFlight(1));
    EXPECT_FALSE(InFlight(2));
    // ...against it they fly on in the fire direction.
    PlayerAction(kActLeft, 0);
    StepMissiles(0, 255);
    EXPECT_EQ(At(0).dx, -1);
    EXPECT_EQ(At(1).dx, 1);
    EXPECT_EQ(At(2).dx, 1);
}

TEST_F(ActionsTest, BombMissileDetonatesEveryMissileInFlight) {
    Give(0, {kBombMissile});
    game->missileX[0] = 40, game->missileY[0] = 20, game->missileDX[0] = 1;
    game->missileX[2] = 70, game->missileY[2] = 60, game->missileDY[2] = -1;
    arena->remoteMode[0] = 1;
    SetCell(40, 20, 1);
    SetCell(70, 60, 1);
    uint32_t before = Clock();
    PlayerAction(kActFire, 0);
    EXPECT_EQ(Clock() - before, 40u);
    EXPECT_EQ(GetCell(40, 20), 0);
    EXPECT_EQ(GetCell(70, 60), 0);
    EXPECT_FALSE(InFlight(0));
    EXPECT_FALSE(InFlight(2));
    EXPECT_EQ(arena->remoteMode[0], 0);
    EXPECT_EQ(int{game->activePlayer}, 0); // a copy: the field is unaligned
}

TEST_F(ActionsTest, SuperBombsWithSuperNovaAndShield) {
    // Four 9 x 9 blasts at the corners never reach the head.
    Give(0, {kSuperBombs});
    arena->ammo[0] = 3;
    Place(0, 50, 40, 1, 0);
    uint32_t before = Clock();
    PlayerAction(kActSpecial, 0);
    EXPECT_EQ(Clock() - before, 80u);
    EXPECT_EQ(arena->ammo[0], 1);
    EXPECT_EQ(arena->out[0], 0);
    PlayerAction(kActSpecial, 0);
    EXPECT_EQ(arena->ammo[0], 1); // needs more than one

    // As supernovas each covers the head: the Shield pays for the first, the second kills.
    Give(0, {kSuperNova, kShield});
    arena->ammo[0] = 3;
    before = Clock();
    PlayerAction(kActSpecial, 0);
    EXPECT_EQ(Clock() - before, 120u);
    EXPECT_EQ(arena->ammo[0], 0);
    EXPECT_EQ(arena->out[0], 1);
    EXPECT_EQ(arena->rank[0], 3);
    EXPECT_EQ(arena->playersLeft, 2);

    // Jojo first, then the Super Bombs with what it left.
    StartRound({kHuman, kHuman, kHuman});
    Place(0, 50, 40, 1, 0);
    Give(0, {kJojo, kSuperBombs});
    arena->ammo[0] = 3;
    PlayerAction(kActSpecial, 0);
    EXPECT_EQ(arena->missileTimer[0], -1);
    EXPECT_EQ(arena->ammo[0], 0);
}

TEST_F(ActionsTest, BombsAndTurbo) {
    Give(0, {kBombs, kTurbo});
    Place(0, 110, 40, 1, 0);
    arena->ammo[0] = 2;
    PlayerAction(kActSpecial, 0);
    // Laid 14 ahead, off the field at column 124: no cell, the square drawn right of the field.
    EXPECT_EQ(arena->bombs[0].bombX, 124);
    EXPECT_EQ(arena->bombs[0].bombY, 40);
    EXPECT_EQ(Pixel(622, 202), 0x14FFFFu);
    EXPECT_EQ(arena->bombs[0].turboState, 0);
    EXPECT_EQ(arena->ammo[0], 0);
    uint32_t before = Clock();
    PlayerAction(kActSpecial, 0); // detonates even without ammunition; Turbo off is free
    EXPECT_EQ(Clock() - before, 20u);
    EXPECT_EQ(arena->bombs[0].bombX, -1);
    EXPECT_EQ(arena->bombs[0].turboState, -1);
    PlayerAction(kActSpecial, 0); // no ammunition: no bomb, Turbo stays off
    EXPECT_EQ(arena->bombs[0].bombX, -1);
    EXPECT_EQ(arena->bombs[0].turboState, -1);

    Place(0, 50, 40, 0, 1);
    arena->ammo[0] = 1;
    PlayerAction(kActSpecial, 0);
    EXPECT_EQ(GetCell(50, 54), 1);
    EXPECT_EQ(arena->bombs[0].turboState, -1);
}

TEST_F(ActionsTest, WarpAndMegaMissilesAtTheEdge) {
    Give(0, {kWarpMissile});
    arena->ammo[0] = 2;
    game->missileX[0] = 0, game->missileY[0] = 40, game->missileDX[0] = -1;
    StepMissiles(0, 0);
    EXPECT_EQ(At(0), (Slot{119, 40, -1, 0}));
    EXPECT_EQ(arena->ammo[0], 1);
    // Across a corner it pays twice, even with only one left.
    game->missileX[0] = 0, game->missileY[0] = 0, game->missileDY[0] = -1;
    StepMissiles(0, 0);
    EXPECT_EQ(At(0), (Slot{119, 79, -1, -1}));
    EXPECT_EQ(arena->ammo[0], -1);

    StartRound({kHuman, kHuman, kHuman});
    Give(0, {kMegaMissiles});
    arena->remoteMode[0] = 1;
    Wall(30, 40, 30, 40);
    game->missileX[0] = 29, game->missileY[0] = 40, game->missileDX[0] = 1;
    StepMissiles(0, 0);
    EXPECT_TRUE(InFlight(0)); // exploded on the block and flies on
    EXPECT_EQ(GetCell(30, 40), 0);
    EXPECT_EQ(Pixel(152, 202), 0x14C8C8u);
    game->missileX[0] = 119;
    StepMissiles(0, 0);
    EXPECT_FALSE(InFlight(0)); // outside it stops, the worm still held by remote mode
    EXPECT_EQ(arena->remoteMode[0], 1);
}

} // namespace
