// Missile flight: the player's two timers, the move, Warp Missile, the impact, the picture.
#include "game/missiles.h"

#include <cstdint>

#include "game/explosions.h"
#include "game/records.h"
#include "gfx/canvas.h"
#include "gfx/panels.h"

namespace {

constexpr Colour kMissileColour = 0x14C8C8;
constexpr int16_t kBurstReload = 18;
constexpr int16_t kBoomerangEnd = -96;

bool OutsideField(int x, int y) {
    return x < 0 || x > 119 || y < 0 || y > 79;
}

void Stop(int s) {
    game->missileDX[s] = 0;
    game->missileDY[s] = 0;
}

void StepSlot(int p, int k) {
    int s = 3 * p + k;
    // Both timers run on every slot's call, flying or not. The boomerang clock stops at the bottom
    // of its range rather than wrapping round into a burst countdown.
    int16_t timer = arena->missileTimer[p];
    if (timer > 1) --timer;
    if (timer < 0 && timer > INT16_MIN) --timer;
    arena->missileTimer[p] = timer;
    if (game->missileDX[s] == 0 && game->missileDY[s] == 0) return;
    FillBox(5 * game->missileX[s], 5 * game->missileY[s], 5, 5, 0);
    TripleVolley& triple = arena->triples[p];
    if (triple.tripleTimer >= 0) --triple.tripleTimer;
    if (triple.tripleTimer < 0) {
        // The side missiles take the volley's direction again, in whichever components still move.
        for (int side = 3 * p + 1; side <= 3 * p + 2; ++side) {
            if (game->missileDX[side] != 0) game->missileDX[side] = triple.tripleDX;
            if (game->missileDY[side] != 0) game->missileDY[side] = triple.tripleDY;
        }
    }
    if (timer == 1) {
        game->activePlayer = static_cast<int16_t>(p);
        Explode(game->missileX[s], game->missileY[s]);
        timer = arena->missileTimer[p] = kBurstReload;
    }
    if (timer > -78 && timer < -75) {
        game->missileDX[s] = static_cast<int16_t>(-game->missileDX[s]);
        game->missileDY[s] = static_cast<int16_t>(-game->missileDY[s]);
    }
    if (timer < kBoomerangEnd) {
        game->activePlayer = static_cast<int16_t>(p);
        Explode(game->missileX[s], game->missileY[s]);
        Stop(s);
        return;
    }
    game->missileX[s] = static_cast<int16_t>(game->missileX[s] + game->missileDX[s]);
    game->missileY[s] = static_cast<int16_t>(game->missileY[s] + game->missileDY[s]);
    if (Owns(p, kWarpMissile) && arena->ammo[p] > 0) {
        // Tested once: a missile leaving across a corner pays twice, even with one ammunition left.
        auto pay = [p] {
            arena->ammo[p] = static_cast<int8_t>(arena->ammo[p] - 1);
            DrawStatusPanel(p);
        };
        if (game->missileX[s] < 0) game->missileX[s] = 119, pay();
        if (game->missileX[s] > 119) game->missileX[s] = 0, pay();
        if (game->missileY[s] < 0) game->missileY[s] = 79, pay();
        if (game->missileY[s] > 79) game->missileY[s] = 0, pay();
    }
    int16_t x = game->missileX[s], y = game->missileY[s];
    if (GetCell(x, y) & 0xFF) {
        game->activePlayer = static_cast<int16_t>(p);
        Explode(x, y);
        if (Owns(p, kMegaMissiles) || arena->missileTimer[p] < 0) {
            if (OutsideField(x, y)) {
                Stop(s);
                return;
            }
        } else {
            Stop(s);
            arena->remoteMode[p] = 0;
            return;
        }
    }
    FillBox(5 * x, 5 * y, 5, 5, kMissileColour);
}

} // namespace

void StepMissiles(uint8_t player, uint8_t slot) {
    if (player > 3) return;
    if (slot == 255) {
        for (int k = 0; k < 3; ++k) StepSlot(player, k);
        return;
    }
    if (slot <= 2) StepSlot(player, slot);
}
