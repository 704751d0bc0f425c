// PlayerAction: steering, firing, detonating, the special key's abilities and remote steering.
#include "game/actions.h"

#include "audio/audio.h"
#include "game/explosions.h"
#include "game/records.h"
#include "gfx/canvas.h"
#include "gfx/panels.h"

namespace {

constexpr int16_t kLaunchAhead = 2;      // a missile starts this many cells ahead of the head
constexpr int16_t kTripleTimer = 18;     // steps until the side missiles turn parallel
constexpr int16_t kMachineGunTimer = 82; // steps until the first burst
constexpr int16_t kSuperBombReach = 5;
constexpr int16_t kBombAhead = 14;
constexpr Colour kBombColour = 0x14FFFF;

bool InFlight(int slot) {
    return game->missileDX[slot] != 0 || game->missileDY[slot] != 0;
}

bool MissilesIdle(int p) {
    return !InFlight(3 * p) && !InFlight(3 * p + 1) && !InFlight(3 * p + 2);
}

// Ammunition is a signed byte that may run negative: it stops at -128 rather than wrapping to +127.
void Spend(int p, int amount) {
    int left = arena->ammo[p] - amount;
    arena->ammo[p] = static_cast<int8_t>(left < -128 ? -128 : left);
}

// Slot 0 of p, head + 2 * direction, flying in the worm's direction.
void AimFirstSlot(int p) {
    int s = 3 * p;
    game->missileDX[s] = game->dirX[p];
    game->missileDY[s] = game->dirY[p];
    game->missileX[s] = static_cast<int16_t>(game->headX[p] + kLaunchAhead * game->dirX[p]);
    game->missileY[s] = static_cast<int16_t>(game->headY[p] + kLaunchAhead * game->dirY[p]);
}

void Launch(int p) {
    int s = 3 * p;
    int16_t dx = game->dirX[p], dy = game->dirY[p];
    AimFirstSlot(p);
    if (Owns(p, kTripleMissile)) {
        int16_t x0 = game->missileX[s], y0 = game->missileY[s];
        game->missileDX[s + 1] = static_cast<int16_t>(dx + dy);
        game->missileDY[s + 1] = static_cast<int16_t>(dy + dx);
        game->missileX[s + 1] = static_cast<int16_t>(x0 + kLaunchAhead * dy);
        game->missileY[s + 1] = static_cast<int16_t>(y0 + kLaunchAhead * dx);
        game->missileDX[s + 2] = static_cast<int16_t>(dx - dy);
        game->missileDY[s + 2] = static_cast<int16_t>(dy - dx);
        game->missileX[s + 2] = static_cast<int16_t>(x0 - kLaunchAhead * dy);
        game->missileY[s + 2] = static_cast<int16_t>(y0 - kLaunchAhead * dx);
        arena->triples[p].tripleDX = dx;
        arena->triples[p].tripleDY = dy;
        arena->triples[p].tripleTimer = kTripleTimer;
    }
    arena->missileTimer[p] = 0;
    if (Owns(p, kMachineGun)) arena->missileTimer[p] = kMachineGunTimer;
    if (Owns(p, kRemoteMissile)) arena->remoteMode[p] = 1;
    PlayEffect(game->soundMissil);
    Spend(p, 1);
    DrawStatusPanel(p);
}

void Fire(int p) {
    if (MissilesIdle(p) && arena->ammo[p] != 0) {
        Launch(p);
        return;
    }
    // No launch: the press hands the worm back from its missiles, and Bomb Missile sets them off.
    if (arena->remoteMode[p] == 1) arena->remoteMode[p] = 0;
    for (int k = 0; k < 3; ++k) {
        int s = 3 * p + k;
        if (Owns(p, kBombMissile) && InFlight(s)) {
            game->activePlayer = static_cast<int16_t>(p);
            Explode(game->missileX[s], game->missileY[s]);
            game->missileDY[s] = 0;
            game->missileDX[s] = 0;
        }
    }
}

void Special(int p) {
    int16_t hx = game->headX[p], hy = game->headY[p];
    if (Owns(p, kJojo) && arena->ammo[p] > 1 && MissilesIdle(p)) {
        arena->missileTimer[p] = -1;
        Spend(p, 1);
        AimFirstSlot(p);
    }
    if (Owns(p, kSuperBombs) && arena->ammo[p] > 1) {
        Spend(p, 2);
        game->activePlayer = static_cast<int16_t>(p);
        Explode(static_cast<int16_t>(hx - kSuperBombReach), static_cast<int16_t>(hy - kSuperBombReach));
        Explode(static_cast<int16_t>(hx + kSuperBombReach), static_cast<int16_t>(hy - kSuperBombReach));
        Explode(static_cast<int16_t>(hx - kSuperBombReach), static_cast<int16_t>(hy + kSuperBombReach));
        Explode(static_cast<int16_t>(hx + kSuperBombReach), static_cast<int16_t>(hy + kSuperBombReach));
    }
    if (Owns(p, kBombs)) {
        BombAndTurbo& bomb = arena->bombs[p];
        if (arena->ammo[p] > 0 && bomb.bombX == -1) {
            bomb.bombX = static_cast<int16_t>(hx + kBombAhead * game->dirX[p]);
            bomb.bombY = static_cast<int16_t>(hy + kBombAhead * game->dirY[p]);
            SetCell(bomb.bombX, bomb.bombY, 1);
            FillBox(5 * bomb.bombX, 5 * bomb.bombY, 5, 5, kBombColour);
            Spend(p, 1);
        } else if (bomb.bombX != -1) {
            game->activePlayer = static_cast<int16_t>(p);
            Explode(bomb.bombX, bomb.bombY);
            bomb.bombX = -1;
            bomb.bombY = -1;
        }
    }
    if (Owns(p, kTurbo)) {
        BombAndTurbo& turbo = arena->bombs[p];
        if (turbo.turboState == -1) {
            if (arena->ammo[p] > 0) {
                Spend(p, 1);
                turbo.turboState = 0;
            }
        } else {
            turbo.turboState = -1;
        }
    }
}

} // namespace

void PlayerAction(unsigned action, int player) {
    int p = player;
    if (p < 0 || p > 3 || arena->out[p] == 1) return;
    switch (action) {
    case kActLeft:
        game->dirX[p] = -1, game->dirY[p] = 0;
        break;
    case kActRight:
        game->dirX[p] = 1, game->dirY[p] = 0;
        break;
    case kActUp:
        game->dirX[p] = 0, game->dirY[p] = -1;
        break;
    case kActDown:
        game->dirX[p] = 0, game->dirY[p] = 1;
        break;
    case kActFire:
        Fire(p);
        break;
    case kActSpecial:
        Special(p);
        break;
    default:
        break;
    }
    if (arena->remoteMode[p] == 1) {
        for (int k = 0; k < 3; ++k) {
            game->missileDX[3 * p + k] = game->dirX[p];
            game->missileDY[3 * p + k] = game->dirY[p];
        }
    }
}
