#include <gtest/gtest.h>

#include "game/records.h"
#include "tests/fixture.h"

TEST_F(GameTest, CellsReadOutsideAsWallAndIgnoreWritesThere) {
    EXPECT_EQ(GetCell(-1, 5), -1);
    EXPECT_EQ(GetCell(120, 5), -1);
    EXPECT_EQ(GetCell(5, 80), -1);
    EXPECT_EQ(GetCell(5, -1), -1);
    SetCell(0, 0, 1);
    SetCell(119, 79, 1);
    EXPECT_EQ(GetCell(0, 0), 1);
    EXPECT_EQ(GetCell(119, 79), 1);
    EXPECT_EQ(arena->cells[119 * 80 + 79], 1); // column-major
    SetCell(120, 0, 1);
    SetCell(-1, 0, 1);
    SetCell(0, 80, 1);
    int solid = 0;
    for (uint8_t c : arena->cells) solid += c;
    EXPECT_EQ(solid, 2);
}

TEST_F(GameTest, NamesAndAbilityIdsFromAFileStayInBounds) {
    PlayerProfile p{};
    std::memset(p.name, 'x', sizeof p.name);
    EXPECT_EQ(ProfileNameLength(p), 32);
    p.name[5] = 0;
    EXPECT_EQ(ProfileNameLength(p), 5);
    EXPECT_EQ(AbilityBit(1), 1u);
    EXPECT_EQ(AbilityBit(17), 1u << 16);
    EXPECT_EQ(AbilityBit(0), 0u);
    EXPECT_EQ(AbilityBit(18), 0u);
    EXPECT_EQ(AbilityBit(255), 0u);
}

TEST_F(GameTest, GeneratorIsReproducibleAndNonNegative) {
    SeedRandom(1234);
    int32_t first[5];
    for (int32_t& v : first) v = Random();
    SeedRandom(1234);
    for (int32_t v : first) EXPECT_EQ(Random(), v);
    for (int i = 0; i < 1000; ++i) EXPECT_GE(Random(), 0);
}

TEST_F(GameTest, AbilityTableMatchesIdsAndCosts) {
    int total = 0;
    for (const AbilityInfo& a : kAbilities) {
        EXPECT_NE(a.id, 9);
        total += a.cost;
    }
    EXPECT_EQ(total, 2 + 2 + 1 + 3 + 3 + 3 + 4 + 4 + 3 + 4 + 2 + 4 + 2 + 3 + 1 + 5);
    EXPECT_EQ(AbilityCost(kRemoteMissile), 5);
    EXPECT_EQ(AbilityCost(9), 0);
}
