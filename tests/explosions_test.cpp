// Explosions: the square swept, supernovas, Shield, scan order, pauses and pictures.
#include "game/actions.h"
#include "game/explosions.h"
#include "gfx/canvas.h"
#include "tests/rules_fixture.h"

namespace {

class ExplosionTest : public RulesTest {
  protected:
    void SetUp() override {
        RulesTest::SetUp();
        StartRound({kHuman, kHuman, kHuman, kHuman});
    }
    int SolidCells() const {
        int n = 0;
        for (uint8_t c : arena->cells) n += c;
        return n;
    }
};

TEST_F(ExplosionTest, SizesPicturesAndPauses) {
    Wall(0, 0, 119, 79);
    game->activePlayer = -1;
    uint32_t before = Clock();
    Explode(50, 40);
    EXPECT_EQ(Clock() - before, 20u);
    EXPECT_EQ(SolidCells(), 9600 - 81);
    EXPECT_EQ(GetCell(46, 36), 0);
    EXPECT_EQ(GetCell(54, 44), 0);
    EXPECT_EQ(GetCell(45, 40), 1);
    EXPECT_EQ(GetCell(50, 45), 1);

    // Fast explosions: a shorter pause; the blanking box still covers exactly the square.
    game->fastExplosions = 1;
    FillBox(0, 0, 600, 400, 0xFFFFFF);
    before = Clock();
    Explode(20, 20);
    EXPECT_EQ(Clock() - before, 10u);
    EXPECT_EQ(Pixel(80, 80), 0u);
    EXPECT_EQ(Pixel(124, 124), 0u);
    EXPECT_EQ(Pixel(79, 100), 0xFFFFFFu);
    EXPECT_EQ(Pixel(125, 100), 0xFFFFFFu);

    // An owner with Super Nova: 17 x 17 and 30 ms, whatever Fast Explosions says.
    Give(2, {kSuperNova});
    game->activePlayer = 2;
    int solid = SolidCells();
    before = Clock();
    Explode(90, 40);
    EXPECT_EQ(Clock() - before, 30u);
    EXPECT_EQ(solid - SolidCells(), 289);
    EXPECT_EQ(int{game->activePlayer}, 2); // a copy: the field is unaligned
    game->activePlayer = -1;               // nobody's blast is never a supernova
    solid = SolidCells();
    Explode(90, 70);
    EXPECT_EQ(solid - SolidCells(), 81);

    // At the corner only the cells inside are cleared; the pictures are clipped.
    Wall(0, 0, 10, 10);
    Explode(0, 0);
    EXPECT_EQ(GetCell(4, 4), 0);
    EXPECT_EQ(GetCell(5, 0), 1);
    EXPECT_EQ(GetCell(0, 5), 1);
}

TEST_F(ExplosionTest, HeadsInTheSquareInScanOrderAndShield) {
    Place(0, 54, 36, 0, 0); // (x + 4, y - 4): caught
    Place(1, 55, 40, 0, 0); // five away: spared
    Place(2, 46, 40, 0, 0);
    Place(3, 50, 45, 0, 0);
    game->activePlayer = -1;
    Explode(50, 40);
    EXPECT_EQ(arena->out[0], 1);
    EXPECT_EQ(arena->out[1], 0);
    EXPECT_EQ(arena->out[2], 1);
    EXPECT_EQ(arena->out[3], 0);
    EXPECT_EQ(arena->rank[0], 4); // the upper row first
    EXPECT_EQ(arena->rank[2], 3);

    // Two heads on one cell: the lower index first; a worm already out is never touched.
    StartRound({kHuman, kHuman, kHuman, kHuman});
    Place(0, 80, 60, 0, 0);
    Place(1, 30, 30, 0, 0);
    Place(2, 30, 30, 0, 0);
    Place(3, 31, 30, 0, 0);
    arena->out[0] = 1;
    arena->rank[0] = 4;
    arena->playersLeft = 3;
    game->headX[0] = 29, game->headY[0] = 30;
    Explode(30, 30);
    EXPECT_EQ(arena->rank[0], 4);
    EXPECT_EQ(arena->rank[1], 3);
    EXPECT_EQ(arena->rank[2], 2);
    EXPECT_EQ(arena->out[3], 0); // not out: the countdown runs instead
    EXPECT_EQ(arena->playersLeft, 7);

    // Shield: one ammunition per explosion that catches the head, while there is any.
    StartRound({kHuman, kHuman, kHuman});
    Give(1, {kShield});
    Place(1, 60, 40, 0, 0);
    arena->ammo[1] = 1;
    Explode(60, 41);
    EXPECT_EQ(arena->out[1], 0);
    EXPECT_EQ(arena->ammo[1], 0);
    Explode(61, 40);
    EXPECT_EQ(arena->out[1], 1);
}

TEST_F(ExplosionTest, ALaidBombIsAnOrdinaryCell) {
    Give(0, {kBombs});
    Place(0, 20, 40, 1, 0);
    arena->ammo[0] = 3;
    PlayerAction(kActSpecial, 0);
    EXPECT_EQ(GetCell(34, 40), 1);
    game->activePlayer = -1;
    Explode(35, 41);
    EXPECT_EQ(GetCell(34, 40), 0);
    EXPECT_EQ(arena->bombs[0].bombX, 34);
    uint32_t before = Clock();
    PlayerAction(kActSpecial, 0);
    EXPECT_EQ(Clock() - before, 20u); // still goes off at the stored place
}

} // namespace
