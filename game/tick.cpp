// One step of a round: the movement phase, the automatic restart, the end-of-round countdown,
// and each slot in turn deciding, moving, flying its missiles and showing its box.
#include "game/tick.h"

#include "game/computer.h"
#include "game/explosions.h"
#include "game/keys.h"
#include "game/missiles.h"
#include "game/records.h"
#include "game/round.h"
#include "gfx/canvas.h"
#include "gfx/panels.h"
#include "gfx/starfield.h"

namespace {

constexpr uint8_t kOffField = 246; // boxes of an ended round lie outside the field and the window
constexpr uint8_t kCountdownStart = 30;
constexpr uint8_t kCountdownEnd = 6;

// 1, 6, 2, 5, 3, 4: every speed's moves spread as evenly over six ticks as they can be.
int16_t NextPhase(int16_t phase) {
    switch (phase) {
    case 4:
        return 1;
    case 1:
        return 6;
    case 6:
        return 2;
    case 2:
        return 5;
    case 5:
        return 3;
    case 3:
        return 4;
    default:
        return 1; // a phase outside the cycle rejoins it at its start
    }
}

void EndRound() {
    arena->playersLeft = 1;
    for (int i = 0; i < 4; ++i) {
        if (arena->out[i] == 0) KillPlayer(i);
        for (int k = 0; k < 3; ++k) game->missileDX[3 * i + k] = game->missileDY[3 * i + k] = 0;
        arena->boxX[i] = arena->boxY[i] = kOffField;
    }
    DrawResults();
}

// A move, then the head drawn when the worm is still in.
void MoveAndDraw(int p) {
    MoveWorm(p);
    if (arena->out[p] == 0) DrawHead(p);
}

} // namespace

void GameTick() {
    arena->speedPhase = NextPhase(arena->speedPhase);
    if (game->autoStart > 1) {
        ++game->autoStart;
        if (game->autoStart == 40) {
            game->autoStart = 1;
            PressNewRoundKey();
        }
    }
    if (arena->playersLeft > 4) {
        --arena->playersLeft;
        if (arena->playersLeft == kCountdownEnd) EndRound();
    }
    for (int p = 0; p < 4; ++p) {
        if (arena->out[p] != 1) {
            if (game->playerKind[p] == kComputer) ComputerPlayerThink(p);
            // The decision may have taken the worm out (its own Super Bombs or Bomb Missile):
            // a worm that is out makes no move.
            if (arena->out[p] != 1 && game->profiles[p].speed >= arena->speedPhase) {
                MoveAndDraw(p);
                if (arena->bombs[p].turboState == 0 && arena->out[p] == 0) MoveAndDraw(p);
            }
        }
        StepMissiles(static_cast<uint8_t>(p), 255);
        if (game->playerKind[p] == kComputer && arena->remoteMode[p] == 1) ComputerPlayerThink(p);
        StepMissiles(static_cast<uint8_t>(p), 255);
        if (Owns(p, kFastMissiles)) {
            StepMissiles(static_cast<uint8_t>(p), 255);
            StepMissiles(static_cast<uint8_t>(p), 255);
        } else if (arena->missileTimer[p] < 0) {
            StepMissiles(static_cast<uint8_t>(p), 255);
        }
        DrawBox(static_cast<int16_t>(5 * arena->boxX[p]), static_cast<int16_t>(5 * arena->boxY[p]));
    }
    if (game->starfieldOn == 1) StarfieldStep();
}

void MoveWorm(int p) {
    if (game->dirX[p] == 0 && game->dirY[p] == 0) return;
    if (arena->remoteMode[p] == 1) return; // held still while its missiles are steered
    game->headX[p] = static_cast<int16_t>(game->headX[p] + game->dirX[p]);
    game->headY[p] = static_cast<int16_t>(game->headY[p] + game->dirY[p]);
    if (Owns(p, kWarp)) {
        // Each wrap costs one ammunition, and each needs some left at that moment.
        if (game->headX[p] < 0 && arena->ammo[p] > 0) game->headX[p] = 119, --arena->ammo[p];
        if (game->headX[p] > 119 && arena->ammo[p] > 0) game->headX[p] = 0, --arena->ammo[p];
        if (game->headY[p] < 0 && arena->ammo[p] > 0) game->headY[p] = 79, --arena->ammo[p];
        if (game->headY[p] > 79 && arena->ammo[p] > 0) game->headY[p] = 0, --arena->ammo[p];
    }
    int16_t hx = game->headX[p], hy = game->headY[p];
    if (GetCell(hx, hy) & 0xFF) {
        if (hx >= 1 && hx <= 119 && hy >= 1 && hy <= 79 && Owns(p, kBash) && arena->ammo[p] >= 2) {
            arena->ammo[p] = static_cast<int8_t>(arena->ammo[p] - 2);
            arena->out[p] = 1; // the basher's own blast spares it
            game->activePlayer = static_cast<int16_t>(p);
            Explode(hx, hy);
            arena->out[p] = 0;
            DrawStatusPanel(p);
        } else {
            KillPlayer(p);
            game->activePlayer = static_cast<int16_t>(p);
            Explode(hx, hy);
            return;
        }
    }
    CheckBoxPickup(p);
    SetCell(game->headX[p], game->headY[p], 1);
}

void CheckBoxPickup(int p) {
    for (int i = 0; i < 4; ++i) {
        if (arena->boxAmmo[i] == 0) continue;
        if (game->headX[p] < arena->boxX[i] || game->headX[p] > arena->boxX[i] + 3) continue;
        if (game->headY[p] < arena->boxY[i] || game->headY[p] > arena->boxY[i] + 3) continue;
        // Ammunition is a signed byte: a full count stays at 127 rather than turning negative.
        int sum = arena->ammo[p] + arena->boxAmmo[i];
        arena->ammo[p] = static_cast<int8_t>(sum > 127 ? 127 : sum);
        arena->boxAmmo[i] = 0;
        FillBox(5 * arena->boxX[i], 5 * arena->boxY[i], 20, 20, 0);
        PlaceBox(i);
        DrawHead(p);
        DrawStatusPanel(p);
    }
}

void KillPlayer(int p) {
    // A worm is taken out once; a second call for the same worm would count it twice.
    if (arena->out[p] == 1) return;
    if (arena->playersLeft > 4) {
        // The countdown is cut short: the round ends next tick with this worm among the survivors.
        arena->playersLeft = 7;
        return;
    }
    arena->out[p] = 1;
    arena->rank[p] = arena->playersLeft;
    --arena->playersLeft;
    if (arena->playersLeft == 1) arena->playersLeft = kCountdownStart;
}
