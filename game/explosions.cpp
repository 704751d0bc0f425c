// Explosions: a 9 x 9 blast, or a 17 x 17 supernova when the owner has Super Nova. Each runs to
// completion: sound, picture, sweep, pause, blanking, panels.
#include "game/explosions.h"

#include "audio/audio.h"
#include "game/records.h"
#include "game/tick.h"
#include "gfx/canvas.h"
#include "gfx/panels.h"

namespace {

constexpr Colour kFastBlastColour = 0xFAFA00;

// Clears the square of cells round (x, y) with the given reach, rows top to bottom and columns
// left to right; a head caught on a cell costs a Shield one ammunition or takes the worm out.
void Sweep(int x, int y, int reach) {
    for (int row = y - reach; row <= y + reach; ++row) {
        for (int column = x - reach; column <= x + reach; ++column) {
            for (int p = 0; p < 4; ++p) {
                if (arena->out[p] != 0 || game->headX[p] != column || game->headY[p] != row) continue;
                if (Owns(p, kShield) && arena->ammo[p] > 0)
                    --arena->ammo[p];
                else
                    KillPlayer(p);
            }
            SetCell(column, row, 0);
        }
    }
}

} // namespace

void Explode(int16_t x, int16_t y) {
    int owner = game->activePlayer;
    // Only a real player can own a supernova; -1 (or anything else) is nobody's blast.
    if (owner >= 0 && owner < 4 && Owns(owner, kSuperNova)) {
        Supernova(x, y);
        return;
    }
    PlayEffect(game->soundKaboom);
    int left = 5 * x - 20, top = 5 * y - 20;
    if (game->fastExplosions)
        FillBox(left, top, 45, 45, kFastBlastColour);
    else
        DrawSprite(game->imgLargeExplosion, 0, static_cast<int16_t>(left), static_cast<int16_t>(top));
    Sweep(x, y, 4);
    WaitMs(game->fastExplosions ? 10 : 20);
    FillBox(left, top, 45, 45, 0);
    DrawStatusPanel(255);
}

void Supernova(int16_t x, int16_t y) {
    PlayEffect(game->soundKaboom);
    int left = 5 * x - 40, top = 5 * y - 40;
    DrawSprite(game->imgSupernova, 0, static_cast<int16_t>(left), static_cast<int16_t>(top));
    Sweep(x, y, 8);
    WaitMs(30);
    FillBox(left, top, 85, 85, 0);
    DrawStatusPanel(255);
}
