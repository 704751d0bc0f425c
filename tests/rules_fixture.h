// Rounds set up by hand for the rules' tests: a real NewRound, then an empty field on which each
// test places the worms, walls and boxes it needs.
#pragma once
#include <initializer_list>

#include "game/records.h"
#include "game/round.h"
#include "platform/clock.h"
#include "tests/fixture.h"

class RulesTest : public GameTest {
  protected:
    // A round with these kinds for slots 0.., every worm at speed 6 and still standing off the
    // field, no blocks, empty boxes parked in the top-left corner.
    void StartRound(std::initializer_list<int16_t> kinds) {
        int p = 0;
        for (int i = 0; i < 4; ++i) game->playerKind[i] = kNoPlayer;
        for (int16_t kind : kinds) {
            game->playerKind[p] = kind;
            game->profiles[p].speed = 6;
            game->profiles[p].color = 0x102030u * static_cast<uint32_t>(p + 1);
            ++p;
        }
        game->blockCount = 0;
        NewRound();
        for (uint8_t& cell : arena->cells) cell = 0;
        for (int i = 0; i < 4; ++i) {
            game->headX[i] = game->headY[i] = -10;
            game->dirX[i] = game->dirY[i] = 0;
            ParkBox(i, 7, 7);
        }
    }
    // Worm p alive at (x, y) heading (dx, dy), its head cell solid.
    void Place(int p, int x, int y, int dx, int dy) {
        game->headX[p] = static_cast<int16_t>(x);
        game->headY[p] = static_cast<int16_t>(y);
        game->dirX[p] = static_cast<int16_t>(dx);
        game->dirY[p] = static_cast<int16_t>(dy);
        SetCell(x, y, 1);
    }
    void Give(int p, std::initializer_list<int> ids) {
        for (int id : ids) arena->abilityBits[p] |= AbilityBit(id);
    }
    void ParkBox(int i, int x, int y, int ammo = 0) {
        arena->boxX[i] = static_cast<uint8_t>(x);
        arena->boxY[i] = static_cast<uint8_t>(y);
        arena->boxAmmo[i] = static_cast<uint8_t>(ammo);
    }
    void Wall(int x0, int y0, int x1, int y1) {
        for (int x = x0; x <= x1; ++x)
            for (int y = y0; y <= y1; ++y) SetCell(x, y, 1);
    }
    bool InFlight(int slot) const { return game->missileDX[slot] != 0 || game->missileDY[slot] != 0; }
    // Explosions pause on the virtual clock: 20 ms each (10 fast, 30 for a supernova).
    static uint32_t Clock() { return plat::TickCountMs(); }
};
