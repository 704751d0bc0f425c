// Renders screens of the game on the headless surface and writes them as PNG files, for looking
// at them: a freshly set-up round with a given number of worms, and the results screen.
//
//   snapshot round <worms 1..4> <seed> <out.png>
//   snapshot results <out.png>
// Run it in a game directory so the graphics are found.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/records.h"
#include "game/round.h"
#include "game/tick.h"
#include "gfx/canvas.h"
#include "gfx/panels.h"
#include "platform/headless.h"
#include "platform/surface.h"

namespace {

void SetUpPlayers(int worms) {
    static const char* names[4] = {"Lisa", "Bob", "Computer", "Kim"};
    static const Colour colours[4] = {0x3030FF, 0xFF8030, 0x30D030, 0xD040D0};
    for (int p = 0; p < 4; ++p) {
        std::snprintf(game->profiles[p].name, sizeof game->profiles[p].name, "%s", names[p]);
        game->profiles[p].color = colours[p];
        game->profiles[p].speed = 4;
        game->playerKind[p] = p < worms ? (p == 0 ? kHuman : kComputer) : kNoPlayer;
    }
    game->blockCount = 12;
}

int Usage() {
    std::fprintf(stderr, "usage: snapshot round <worms> <seed> <out.png> | snapshot results <out.png>\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    if (!AllocateRecords()) return 1;
    game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    LoadSprites();
    const char* out = nullptr;
    if (std::strcmp(argv[1], "round") == 0 && argc == 5) {
        SetUpPlayers(std::atoi(argv[2]));
        plat::headless::SetClock(static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10)));
        NewRound();
        for (int i = 0; i < 4; ++i)
            DrawBox(static_cast<int16_t>(5 * arena->boxX[i]), static_cast<int16_t>(5 * arena->boxY[i]));
        out = argv[4];
    } else if (std::strcmp(argv[1], "results") == 0 && argc == 3) {
        SetUpPlayers(4);
        NewRound();
        for (int p = 0; p < 4; ++p) arena->rank[p] = static_cast<uint8_t>(p + 1), arena->out[p] = 1;
        DrawStatusPanel(255);
        DrawResults();
        out = argv[2];
    } else {
        return Usage();
    }
    for (const auto& box : plat::headless::MessageBoxes())
        std::fprintf(stderr, "message box: %s: %s\n", box.caption.c_str(), box.text.c_str());
    bool ok = plat::WriteSurfacePng(game->windowDC, out);
    ReleaseSprites();
    FreeRecords();
    return ok ? 0 : 1;
}
