#include "game/round.h"

#include "game/records.h"
#include "game/tick.h"
#include "gfx/canvas.h"
#include "gfx/panels.h"
#include "gfx/starfield.h"
#include "platform/clock.h"

namespace {

// PlaceBox gives up after this many draws: a field so full of blocks that no free 4 x 4 area is
// found would otherwise hang the tick. The box then holds nothing and lies off the field.
constexpr int kBoxPlacementTries = 100000;

void PlaceWorm(int p) {
    int r = Random();
    switch (p) {
    case 0:
        game->headX[0] = 0, game->headY[0] = static_cast<int16_t>(20 + r % 40);
        game->dirX[0] = 1, game->dirY[0] = 0;
        break;
    case 1:
        game->headX[1] = 119, game->headY[1] = static_cast<int16_t>(20 + r % 40);
        game->dirX[1] = -1, game->dirY[1] = 0;
        break;
    case 2:
        game->headX[2] = static_cast<int16_t>(40 + r % 40), game->headY[2] = 0;
        game->dirX[2] = 0, game->dirY[2] = 1;
        break;
    default:
        game->headX[3] = static_cast<int16_t>(40 + r % 40), game->headY[3] = 79;
        game->dirX[3] = 0, game->dirY[3] = -1;
        break;
    }
    arena->out[p] = 0;
    SetCell(game->headX[p], game->headY[p], 1);
}

void DrawBlock() {
    int x0 = 15 + Random() % 90;
    int y0 = 15 + Random() % 50;
    int w = 5 + Random() % 4;
    int h = 5 + Random() % 4;
    for (int x = x0; x < x0 + w; ++x)
        for (int y = y0; y < y0 + h; ++y) SetCell(x, y, 1);
    uint32_t red = 200 + Random() % 20;
    uint32_t green = 200 + Random() % 20;
    uint32_t blue = 50 + Random() % 20;
    FillBox(5 * x0, 5 * y0, 5 * w, 5 * h, red | green << 8 | blue << 16);
}

bool BoxAreaFree(int i) {
    for (int y = arena->boxY[i]; y < arena->boxY[i] + 4; ++y)
        for (int x = arena->boxX[i]; x < arena->boxX[i] + 4; ++x)
            if (GetCell(x, y) & 0xFF) return false;
    return true;
}

} // namespace

namespace {
uint32_t (*seedSource)() = nullptr;
} // namespace

void SetRoundSeedSource(uint32_t (*source)()) {
    seedSource = source;
}

void NewRound() {
    SeedRandom(seedSource ? seedSource() : plat::TickCountMs());
    InitStarfield();
    if (game->autoStart > 1) game->autoStart = 1;
    for (uint8_t& cell : arena->cells) cell = 0;
    arena->speedPhase = 4;
    arena->playersLeft = 4;
    for (int p = 0; p < 4; ++p) {
        game->headX[p] = game->headY[p] = -10;
        game->dirX[p] = game->dirY[p] = 0;
        arena->out[p] = 1;
        for (int k = 0; k < 3; ++k) game->missileDX[3 * p + k] = game->missileDY[3 * p + k] = 0;
        arena->ammo[p] = 3;
        arena->boxAmmo[p] = 0;
        arena->boxX[p] = arena->boxY[p] = 0;
        arena->bombs[p].bombX = arena->bombs[p].bombY = -1;
        arena->bombs[p].turboState = -1;
        arena->remoteMode[p] = 0;
        arena->abilityBits[p] = 0;
        for (uint8_t id : game->profiles[p].abilities)
            if (id != 0) arena->abilityBits[p] += AbilityBit(id);
        if (game->autoWarp == 1) {
            if (!(arena->abilityBits[p] & AbilityBit(kWarpMissile)))
                arena->abilityBits[p] += AbilityBit(kWarpMissile);
            if (!(arena->abilityBits[p] & AbilityBit(kWarp))) arena->abilityBits[p] += AbilityBit(kWarp);
        }
    }
    for (int p = 0; p < 4; ++p) {
        if (game->playerKind[p] != kNoPlayer) {
            PlaceWorm(p);
        } else {
            arena->rank[p] = arena->playersLeft;
            --arena->playersLeft;
        }
    }
    game->screenMode = 2;
    FillBox(0, 0, 640, 480, 0);
    for (int i = 0; i < game->blockCount; ++i) DrawBlock();
    for (int i = 0; i < 4; ++i) PlaceBox(i);
    DrawStatusPanel(255);
    for (int p = 0; p < 4; ++p)
        if (arena->out[p] == 0) DrawHead(p);
}

void PlaceBox(int i) {
    for (int tries = 0; tries < kBoxPlacementTries; ++tries) {
        arena->boxX[i] = static_cast<uint8_t>(7 + Random() % 100);
        arena->boxY[i] = static_cast<uint8_t>(7 + Random() % 60);
        if (BoxAreaFree(i)) {
            arena->boxAmmo[i] = static_cast<uint8_t>(1 + Random() % 2);
            return;
        }
    }
    // No free place: an empty box parked where it is neither drawn on the field nor collected.
    arena->boxAmmo[i] = 0;
    arena->boxX[i] = arena->boxY[i] = 246;
}
