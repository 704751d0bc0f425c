#include "gfx/panels.h"

#include <string>

#include "game/records.h"
#include "gfx/canvas.h"
#include "platform/surface.h"

namespace {

constexpr Colour kFrameColour = 0x1EFFFF;

// A profile's name as the drawable bytes up to its NUL, never past its 32 bytes.
std::string NameOf(int p) {
    const PlayerProfile& profile = game->profiles[p];
    return std::string(profile.name, static_cast<size_t>(ProfileNameLength(profile)));
}

void DrawName(int p, int x, int y) {
    std::string name = NameOf(p);
    plat::DrawTextBytes(game->windowDC, x, y, name.data(), static_cast<int>(name.size()));
}

} // namespace

void DrawStatusPanel(int p) {
    p &= 0xFF;
    if (p == 255) {
        for (int i = 0; i < 4; ++i) DrawStatusPanel(i);
        return;
    }
    if (p > 3) return;
    FillBox(600, 0, 4, 404, kFrameColour);
    FillBox(0, 400, 604, 4, kFrameColour);
    FillBox(160 * p, 420, 160, 60, game->profiles[p].color);
    DrawName(p, 160 * p + 10, 405);
    if (arena->out[p] == 1) {
        DrawText("DEAD", static_cast<int16_t>(160 * p + 10), 420);
        char place[2] = {static_cast<char>(48 + arena->rank[p]), 0};
        plat::DrawTextBytes(game->windowDC, 160 * p + 60, 420, place, 1);
        return;
    }
    BlitBitmapFile("graphics\\ammo.bmp", 160 * p + 1, 425, 31, 9);
    FillBox(160 * p + 32, 422, 100, 15, 0xFFFFFF);
    FillBox(160 * p + 32, 422, 3 * arena->ammo[p], 15, 0);
}

void DrawResults() {
    for (int i = 0; i < 4; ++i) {
        BlitBitmapFile("graphics\\pagain.bmp", 100, 150, 400, 60);
        FillBox(220, 25 * arena->rank[i] + 205, 160, 25, game->profiles[i].color);
        int n = ProfileNameLength(game->profiles[i]);
        DrawName(i, 300 - 4 * n, 25 * arena->rank[i] + 210);
    }
    if (game->autoStart == 1) game->autoStart = 2;
}
