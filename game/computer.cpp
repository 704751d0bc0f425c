// The computer worm: no plan and no memory, only the nearest target, a short preference list of
// headings with a little chance in it, and fixed windows for shooting and dodging.
#include "game/computer.h"

#include <cmath>
#include <cstdlib>

#include "game/actions.h"
#include "game/records.h"

namespace {

// Heading codes of the preference list (not action codes).
enum : uint8_t { kUp = 1, kDown = 2, kLeft = 3, kRight = 4 };

struct Heading {
    int8_t f, g;
};

Heading FromCode(uint8_t code, Heading unchanged) {
    switch (code) {
    case kUp:
        return {0, -1};
    case kDown:
        return {0, 1};
    case kLeft:
        return {-1, 0};
    case kRight:
        return {1, 0};
    default:
        return unchanged;
    }
}

void SetDirection(int p, Heading h) {
    game->dirX[p] = h.f;
    game->dirY[p] = h.g;
}

// The nearest box, or in remote mode the nearest other worm in the round as seen from missile 3p.
int ChooseTarget(int p) {
    int t = 0;
    double best = 990.0;
    for (int i = 0; i < 4; ++i) {
        double dx, dy;
        if (arena->remoteMode[p] == 0) {
            dx = game->headX[p] - arena->boxX[i];
            dy = game->headY[p] - arena->boxY[i];
        } else {
            if (i == p || arena->out[i] == 1) continue;
            dx = game->missileX[3 * p] - game->headX[i];
            dy = game->missileY[3 * p] - game->headY[i];
        }
        double distance = std::sqrt(dx * dx + dy * dy);
        if (distance < best) best = distance, t = i;
    }
    return t;
}

// A trail, block or bomb 7 to 10 cells ahead with the first two cells free: worth a shot.
bool ObstacleAhead(int p, Heading h) {
    int hx = game->headX[p], hy = game->headY[p];
    bool target = false;
    for (int n = 10; n >= 7; --n)
        if (GetCell(hx + n * h.f, hy + n * h.g) == 1) target = true;
    return target && GetCell(hx + h.f, hy + h.g) == 0 && GetCell(hx + 2 * h.f, hy + 2 * h.g) == 0;
}

// Is the head (ox, oy) in the window ahead where a bomb or boomerang would reach it?
bool InBombWindow(int p, int ox, int oy) {
    int hx = game->headX[p], hy = game->headY[p];
    if (game->dirX[p] == -1) return std::abs(oy - hy) <= 3 && hx - ox >= 2 && hx - ox <= 19;
    if (game->dirX[p] == 1) return std::abs(oy - hy) <= 5 && ox - hx >= 2 && ox - hx <= 19;
    if (game->dirY[p] == -1) return std::abs(ox - hx) <= 5 && hy - oy >= 2 && hy - oy <= 19;
    if (game->dirY[p] == 1) return std::abs(ox - hx) <= 5 && oy - hy >= 2 && oy - hy <= 19;
    return false;
}

// Is the head (ox, oy) ahead at any distance and within 5 across the heading?
bool InFireWindow(int p, int ox, int oy) {
    int hx = game->headX[p], hy = game->headY[p];
    if (game->dirX[p] == -1) return std::abs(oy - hy) <= 5 && ox < hx;
    if (game->dirX[p] == 1) return std::abs(oy - hy) <= 5 && ox > hx;
    if (game->dirY[p] == -1) return std::abs(ox - hx) <= 5 && oy < hy;
    if (game->dirY[p] == 1) return std::abs(ox - hx) <= 5 && oy > hy;
    return false;
}

// Specials and shots at worm i, each check on its own.
void AttackOpponent(int p, int i) {
    int ox = game->headX[i], oy = game->headY[i];
    int hx = game->headX[p], hy = game->headY[p];
    if (Owns(p, kSuperBombs) && std::abs(ox - hx) <= 8 && std::abs(oy - hy) <= 8)
        PlayerAction(kActSpecial, p);
    if ((Owns(p, kBombs) || Owns(p, kJojo)) && InBombWindow(p, ox, oy)) {
        PlayerAction(kActSpecial, p);
        PlayerAction(kActSpecial, p);
    }
    if (Owns(p, kTurbo) && arena->bombs[p].turboState == -1) PlayerAction(kActSpecial, p);
    if (arena->remoteMode[p] == 0 && InFireWindow(p, ox, oy)) PlayerAction(kActFire, p);
}

// Turns away from the missiles of worm i that come at the head along its row or column; the last
// match wins.
void DodgeMissiles(int p, int i, Heading& h) {
    int hx = game->headX[p], hy = game->headY[p];
    for (int m = 3 * i; m < 3 * i + 3; ++m) {
        int mx = game->missileX[m], my = game->missileY[m];
        if (game->missileDX[m] != 0 && my >= hy - 4 && my <= hy + 3) {
            if (game->missileDX[m] == 1 && mx < hx) h = {-1, 0};
            if (game->missileDX[m] == -1 && mx > hx) h = {1, 0};
        }
        if (game->missileDY[m] != 0 && mx >= hx - 4 && mx <= hx + 3) {
            if (game->missileDY[m] == 1 && my < hy) h = {0, -1};
            if (game->missileDY[m] == -1 && my > hy) h = {0, 1};
        }
    }
}

} // namespace

void ComputerPlayerThink(int p) {
    if (p < 0 || p > 3) return;
    // With no heading at all on the list (remote target right on the missile) the worm keeps its way.
    Heading h = {static_cast<int8_t>(game->dirX[p]), static_cast<int8_t>(game->dirY[p])};

    int t = ChooseTarget(p);
    int ox, oy, tx, ty;
    if (arena->remoteMode[p] == 0) {
        ox = game->headX[p], oy = game->headY[p];
        tx = arena->boxX[t], ty = arena->boxY[t];
    } else {
        ox = game->missileX[3 * p], oy = game->missileY[3 * p];
        tx = game->headX[t], ty = game->headY[t];
    }

    uint8_t list[8] = {0, 0, 0, 0, kUp, kDown, kLeft, kRight};
    int s = 4;
    if (tx < ox) list[--s] = kLeft;
    if (tx > ox) list[--s] = kRight;
    if (ty < oy) list[--s] = kUp;
    if (ty > oy) list[--s] = kDown;

    for (int round = 0; round < 2; ++round) {
        int a = Random() % 4;
        int b = Random() % 4;
        if (a >= s && b >= s) {
            uint8_t swap = list[a];
            list[a] = list[b];
            list[b] = swap;
        }
    }

    h = FromCode(list[3], h);

    if (arena->remoteMode[p] == 0) {
        for (int k = s; k < 8; ++k) {
            h = FromCode(list[k], {0, 0});
            if (ObstacleAhead(p, h)) {
                SetDirection(p, h);
                PlayerAction(Owns(p, kJojo) ? kActSpecial : kActFire, p);
                return;
            }
            for (int i = 0; i < 4; ++i) {
                if (i != p && arena->out[i] == 0) AttackOpponent(p, i);
                DodgeMissiles(p, i, h);
            }
            if (!(GetCell(game->headX[p] + h.f, game->headY[p] + h.g) & 0xFF) || Owns(p, kBash)) {
                SetDirection(p, h);
                return;
            }
        }
    }

    SetDirection(p, h);
    if (arena->remoteMode[p] == 1) {
        for (int j = 0; j < 3; ++j) {
            game->missileDX[3 * p + j] = game->dirX[p];
            game->missileDY[3 * p + j] = game->dirY[p];
        }
    }
}
