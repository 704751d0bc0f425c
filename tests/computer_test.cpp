// The computer player: candidate order and its shuffle, the shot at an obstacle, the windows
// for specials, fire and dodging, the free way and remote mode.
#include "game/computer.h"
#include "tests/rules_fixture.h"

namespace {

class ComputerTest : public RulesTest {
  protected:
    void SetUp() override {
        RulesTest::SetUp();
        StartRound({kComputer, kHuman, kHuman});
        Place(1, 100, 75, 0, 0);
        Place(2, 110, 75, 0, 0);
    }
    // A seed whose four draws exchange the first two candidates in exactly `swaps` of the two
    // shuffle rounds (draws 2 and 3, in either order).
    static uint32_t SeedWithSwaps(int swaps) {
        for (uint32_t seed = 1;; ++seed) {
            SeedRandom(seed);
            int n = 0;
            for (int round = 0; round < 2; ++round) {
                int a = Random() % 4, b = Random() % 4;
                if ((a == 2 && b == 3) || (a == 3 && b == 2)) ++n;
            }
            if (n == swaps) return seed;
        }
    }
    // One decision of worm 0 with the shuffle drawn so; its heading afterwards.
    std::pair<int, int> Think(int swaps = 0) {
        SeedRandom(SeedWithSwaps(swaps));
        ComputerPlayerThink(0);
        return {game->dirX[0], game->dirY[0]};
    }
    static constexpr std::pair<int, int> kUp{0, -1}, kDown{0, 1}, kLeft{-1, 0}, kRight{1, 0};
};

TEST_F(ComputerTest, CandidateOrderShuffleAndFreeWay) {
    // Box above and to the left: up, left, then up, down, left, right.
    Place(0, 60, 40, 1, 0);
    ParkBox(0, 40, 10), ParkBox(1, 40, 10), ParkBox(2, 40, 10), ParkBox(3, 40, 10);
    EXPECT_EQ(Think(0), kUp);
    EXPECT_EQ(Think(1), kLeft); // one shuffle round exchanged the first two
    EXPECT_EQ(Think(2), kUp);   // and two put them back
    SetCell(60, 39, 1);
    EXPECT_EQ(Think(), kLeft);
    SetCell(59, 40, 1);
    EXPECT_EQ(Think(), kDown);
    SetCell(60, 41, 1);
    EXPECT_EQ(Think(), kRight);
    SetCell(61, 40, 1);
    EXPECT_EQ(Think(), kRight); // everything blocked: the last candidate stands
    arena->abilityBits[0] = AbilityBit(kBash);
    EXPECT_EQ(Think(), kUp); // a basher keeps its blocked first heading

    // Box straight above: the list is up, up, down, left, right and the shuffle cannot change it.
    StartRound({kComputer, kHuman, kHuman});
    Place(0, 60, 40, 1, 0);
    for (int i = 0; i < 4; ++i) ParkBox(i, 60, 10);
    for (int swaps = 0; swaps <= 2; ++swaps) EXPECT_EQ(Think(swaps), kUp);

    // Four draws per call, every call.
    int draws = 0;
    static int* counter;
    counter = &draws;
    SetRandomObserver([](int32_t) { ++*counter; });
    ComputerPlayerThink(0);
    SetRandomObserver(nullptr);
    EXPECT_EQ(draws, 4);
}

TEST_F(ComputerTest, ShotAtAnObstacleAhead) {
    Place(0, 60, 40, 1, 0);
    for (int i = 0; i < 4; ++i) ParkBox(i, 90, 40);
    SetCell(68, 40, 1); // 8 ahead, the first two cells free
    arena->ammo[0] = 3;
    EXPECT_EQ(Think(), kRight);
    EXPECT_TRUE(InFlight(0));
    EXPECT_EQ(arena->ammo[0], 2);
    EXPECT_EQ(arena->missileTimer[0], 0);

    // A Jojo owner throws instead.
    game->missileDX[0] = 0;
    arena->abilityBits[0] = AbilityBit(kJojo);
    Think();
    EXPECT_EQ(arena->missileTimer[0], -1);
    EXPECT_EQ(arena->ammo[0], 1);

    // Not with a cell in the way at distance 2, nor for the field edge 7 to 10 ahead.
    game->missileDX[0] = 0;
    arena->abilityBits[0] = 0;
    arena->ammo[0] = 3;
    SetCell(62, 40, 1);
    EXPECT_EQ(Think(), kRight);
    EXPECT_FALSE(InFlight(0));
    StartRound({kComputer, kHuman, kHuman});
    Place(0, 60, 9, 0, -1);
    for (int i = 0; i < 4; ++i) ParkBox(i, 60, 7);
    EXPECT_EQ(Think(), kUp);
    EXPECT_FALSE(InFlight(0));
}

TEST_F(ComputerTest, WindowsForBombsAndFire) {
    // Ten columns ahead and four rows off, moving right: special twice (lay and set off a
    // bomb), then fire.
    Give(0, {kBombs});
    Place(0, 60, 40, 1, 0);
    for (int i = 0; i < 4; ++i) ParkBox(i, 90, 40);
    Place(1, 70, 44, 0, 0);
    arena->ammo[0] = 3;
    uint32_t before = Clock();
    EXPECT_EQ(Think(), kRight);
    EXPECT_EQ(Clock() - before, 20u);
    EXPECT_EQ(arena->bombs[0].bombX, -1);
    EXPECT_TRUE(InFlight(0));
    EXPECT_EQ(arena->ammo[0], 1);

    // Moving left the bomb window is only three rows high: fire alone.
    StartRound({kComputer, kHuman, kHuman});
    Give(0, {kBombs});
    Place(0, 60, 40, -1, 0);
    for (int i = 0; i < 4; ++i) ParkBox(i, 30, 40);
    Place(1, 50, 44, 0, 0);
    Place(2, 110, 75, 0, 0);
    arena->ammo[0] = 3;
    before = Clock();
    EXPECT_EQ(Think(), kLeft);
    EXPECT_EQ(Clock(), before);
    EXPECT_EQ(arena->bombs[0].bombX, -1);
    EXPECT_TRUE(InFlight(0));
    EXPECT_EQ(arena->ammo[0], 2);

    // Turbo: switched on for the first opponent; the later ones find it on.
    StartRound({kComputer, kHuman, kHuman, kHuman});
    Give(0, {kTurbo});
    Place(0, 60, 40, 1, 0);
    Place(1, 10, 10, 0, 0), Place(2, 10, 70, 0, 0), Place(3, 110, 70, 0, 0);
    Think();
    EXPECT_EQ(arena->bombs[0].turboState, 0);
    EXPECT_EQ(arena->ammo[0], 2);
}

TEST_F(ComputerTest, DodgeWindowsRunFromFourBeforeToThreeAfter) {
    struct Case {
        int mx, my, dx, dy;
        std::pair<int, int> heading;
    };
    const Case cases[] = {
        {50, 43, 1, 0, kLeft},   // row hy + 3, coming from the left
        {50, 44, 1, 0, kUp},     // row hy + 4: ignored
        {50, 36, 1, 0, kLeft},   // row hy - 4 counts
        {70, 40, -1, 0, kRight}, // from the right
        {70, 40, 1, 0, kUp},     // moving away
        {63, 50, 0, -1, kDown},  // column hx + 3, coming up from below
        {64, 50, 0, -1, kUp},    // column hx + 4: ignored
        {56, 50, 0, -1, kDown},  // column hx - 4 counts
    };
    for (int owner : {0, 1}) { // the worm's own missiles count as well
        for (const Case& c : cases) {
            StartRound({kComputer, kHuman, kHuman});
            Place(0, 60, 40, 0, -1);
            Place(1, 100, 75, 0, 0);
            Place(2, 110, 75, 0, 0);
            for (int i = 0; i < 4; ++i) ParkBox(i, 60, 10);
            int m = 3 * owner + 1;
            game->missileX[m] = static_cast<int16_t>(c.mx), game->missileY[m] = static_cast<int16_t>(c.my);
            game->missileDX[m] = static_cast<int16_t>(c.dx), game->missileDY[m] = static_cast<int16_t>(c.dy);
            EXPECT_EQ(Think(), c.heading) << "missile at " << c.mx << "," << c.my << " of worm " << owner;
        }
    }
}

TEST_F(ComputerTest, RemoteModeSteersTheMissilesTowardsTheNearestWorm) {
    Place(0, 60, 40, 1, 0);
    arena->remoteMode[0] = 1;
    game->missileX[0] = 30, game->missileY[0] = 30;
    Place(1, 34, 10, 0, 0); // nearest: right of and above the missile; entry 3 holds right
    Place(2, 110, 75, 0, 0);
    EXPECT_EQ(Think(), kRight);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(game->missileDX[k], 1);
        EXPECT_EQ(game->missileDY[k], 0);
    }
    // A target right on the missile gives no heading: the worm and its missiles keep theirs.
    game->headX[1] = 30, game->headY[1] = 30;
    game->dirX[0] = 0, game->dirY[0] = 1;
    EXPECT_EQ(Think(), kDown);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(game->missileDX[k], 0);
        EXPECT_EQ(game->missileDY[k], 1);
    }
}

} // namespace
