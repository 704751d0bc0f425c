#include <gtest/gtest.h>

#include <vector>

#include "game/records.h"
#include "game/round.h"
#include "platform/headless.h"
#include "tests/fixture.h"

namespace {

std::vector<int32_t>* recorded = nullptr;
void Record(int32_t v) {
    recorded->push_back(v);
}

class RoundTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        recorded = &draws;
        SetRandomObserver(Record);
    }
    void TearDown() override {
        SetRandomObserver(nullptr);
        GameTest::TearDown();
    }
    std::vector<int32_t> draws;
};

// The generator's stream for a seed, replayed independently of the game.
std::vector<int32_t> Stream(uint32_t seed, size_t n) {
    SetRandomObserver(nullptr);
    SeedRandom(seed);
    std::vector<int32_t> values(n);
    for (int32_t& v : values) v = Random();
    SetRandomObserver(Record);
    return values;
}

} // namespace

TEST_F(RoundTest, DrawsHappenInTheFixedOrderFromTheClockSeed) {
    plat::headless::SetClock(4242);
    for (int p = 0; p < 4; ++p) game->playerKind[p] = kComputer;
    game->blockCount = 2;
    NewRound();
    std::vector<int32_t> r = Stream(4242, draws.size());
    ASSERT_EQ(draws, r);
    ASSERT_GE(draws.size(), 300u + 4 + 14 + 12);
    // Stars: x, y, speed per star.
    EXPECT_EQ(stars->starX[0], r[0] % 600);
    EXPECT_EQ(stars->starY[0], r[1] % 400);
    EXPECT_EQ(stars->starSpeed[0], r[2] % 4 + 1);
    EXPECT_EQ(stars->starX[99], r[297] % 600);
    // One draw per present worm, in slot order.
    EXPECT_EQ(game->headY[0], 20 + r[300] % 40);
    EXPECT_EQ(game->headY[1], 20 + r[301] % 40);
    EXPECT_EQ(game->headX[2], 40 + r[302] % 40);
    EXPECT_EQ(game->headX[3], 40 + r[303] % 40);
    EXPECT_EQ(game->headX[0], 0);
    EXPECT_EQ(game->headX[1], 119);
    EXPECT_EQ(game->headY[2], 0);
    EXPECT_EQ(game->headY[3], 79);
    EXPECT_EQ(game->dirX[0], 1);
    EXPECT_EQ(game->dirX[1], -1);
    EXPECT_EQ(game->dirY[2], 1);
    EXPECT_EQ(game->dirY[3], -1);
    // Blocks: x0, y0, w, h, then the colour.
    int x0 = 15 + r[304] % 90, y0 = 15 + r[305] % 50, w = 5 + r[306] % 4, h = 5 + r[307] % 4;
    uint32_t colour =
        static_cast<uint32_t>((200 + r[308] % 20) | (200 + r[309] % 20) << 8 | (50 + r[310] % 20) << 16);
    EXPECT_EQ(GetCell(x0, y0), 1);
    EXPECT_EQ(GetCell(x0 + w - 1, y0 + h - 1), 1);
    EXPECT_EQ(Pixel(5 * x0, 5 * y0), colour);
    EXPECT_EQ(Pixel(5 * (x0 + w) - 1, 5 * (y0 + h) - 1), colour);
    EXPECT_EQ(game->screenMode, 2);
    EXPECT_EQ(arena->speedPhase, 4);
    EXPECT_EQ(arena->playersLeft, 4);
}

TEST_F(RoundTest, AbsentSlotsTakeTheLowestPlacesAndStayOff) {
    game->playerKind[0] = kHuman;
    game->playerKind[2] = kComputer;
    arena->remoteMode[0] = 1;
    game->missileDX[4] = 1;
    game->autoStart = 25;
    NewRound();
    EXPECT_EQ(arena->rank[1], 4);
    EXPECT_EQ(arena->rank[3], 3);
    EXPECT_EQ(arena->playersLeft, 2);
    for (int p : {1, 3}) {
        EXPECT_EQ(arena->out[p], 1);
        EXPECT_EQ(game->headX[p], -10);
        EXPECT_EQ(game->headY[p], -10);
        EXPECT_EQ(game->dirX[p], 0);
        EXPECT_EQ(game->dirY[p], 0);
    }
    for (int p : {0, 2}) {
        EXPECT_EQ(arena->out[p], 0);
        EXPECT_EQ(arena->ammo[p], 3);
        EXPECT_EQ(GetCell(game->headX[p], game->headY[p]), 1);
        EXPECT_EQ(arena->bombs[p].bombX, -1);
        EXPECT_EQ(arena->bombs[p].turboState, -1);
    }
    EXPECT_EQ(arena->remoteMode[0], 0);
    EXPECT_EQ(game->missileDX[4], 0);
    EXPECT_EQ(game->autoStart, 1);
}

TEST_F(RoundTest, AbilitiesBecomeBitsWithAutoWarpAddingBothWarps) {
    game->playerKind[0] = game->playerKind[1] = kComputer;
    uint8_t a0[4] = {12, 3, 0, 0}, a1[4] = {1, 17, 0, 0}, a2[4] = {200, 33, 18, 5};
    std::memcpy(game->profiles[0].abilities, a0, 4);
    std::memcpy(game->profiles[1].abilities, a1, 4);
    std::memcpy(game->profiles[2].abilities, a2, 4);
    NewRound();
    EXPECT_EQ(arena->abilityBits[0], (1u << 2) | (1u << 11));
    EXPECT_EQ(arena->abilityBits[1], (1u << 0) | (1u << 16));
    EXPECT_EQ(arena->abilityBits[2], 1u << 4); // ids outside 1..17 from a file are ignored
    game->autoWarp = 1;
    NewRound();
    EXPECT_EQ(arena->abilityBits[0], (1u << 2) | (1u << 11) | (1u << 15));
    EXPECT_EQ(arena->abilityBits[3], (1u << 11) | (1u << 15));
}

TEST_F(RoundTest, NoWormsNoBlocksAndBoxesOnlyOnFreeCells) {
    game->blockCount = -3;
    NewRound();
    EXPECT_EQ(arena->playersLeft, 0);
    int solid = 0;
    for (uint8_t c : arena->cells) solid += c;
    EXPECT_EQ(solid, 0);

    game->blockCount = 60;
    for (int p = 0; p < 4; ++p) game->playerKind[p] = kComputer;
    for (uint32_t seed = 1; seed < 40; ++seed) {
        plat::headless::SetClock(seed * 7919);
        NewRound();
        for (int i = 0; i < 4; ++i) {
            EXPECT_GE(arena->boxX[i], 7);
            EXPECT_LE(arena->boxX[i], 106);
            EXPECT_GE(arena->boxY[i], 7);
            EXPECT_LE(arena->boxY[i], 66);
            EXPECT_GE(arena->boxAmmo[i], 1);
            EXPECT_LE(arena->boxAmmo[i], 2);
            for (int x = 0; x < 4; ++x)
                for (int y = 0; y < 4; ++y) EXPECT_EQ(GetCell(arena->boxX[i] + x, arena->boxY[i] + y), 0);
        }
    }
}

TEST_F(RoundTest, PlaceBoxGivesUpOnAFullField) {
    NewRound();
    for (uint8_t& c : arena->cells) c = 1;
    PlaceBox(2); // would search forever
    EXPECT_EQ(arena->boxAmmo[2], 0);
    EXPECT_EQ(arena->boxX[2], 246);
    EXPECT_EQ(arena->boxY[2], 246);
    // One free area is found.
    for (int x = 50; x < 54; ++x)
        for (int y = 30; y < 34; ++y) SetCell(x, y, 0);
    PlaceBox(1);
    EXPECT_EQ(arena->boxX[1], 50);
    EXPECT_EQ(arena->boxY[1], 30);
    EXPECT_GE(arena->boxAmmo[1], 1);
}
