// Throughput of the rules: four computer worms with mixed abilities, restarting automatically,
// on the headless back end. Prints ticks per second of wall time.
//
//   bench_sim [ticks (default 200000)] [seed (default 1)]
// Run it in a game directory to include the cost of the bitmaps the panels draw.
#include <cstdio>
#include <cstdlib>

#include "game/records.h"
#include "gfx/canvas.h"
#include "platform/surface.h"
#include "tools/sim/simulator.h"

int main(int argc, char** argv) {
    sim::Config config;
    sim::PresetPrefs("mixed", config.prefs);
    config.ticks = argc > 1 ? std::atol(argv[1]) : 200000;
    config.seed = argc > 2 ? static_cast<uint32_t>(std::atol(argv[2])) : 1;
    if (!AllocateRecords()) return 1;
    game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    LoadSprites();
    sim::Outcome outcome = sim::Run(config);
    std::printf("bench_sim: %ld ticks, %d rounds, %.3f s, %.0f ticks/s (sprites %s)\n", outcome.ticks,
                outcome.roundsEnded, outcome.seconds, outcome.ticks / outcome.seconds,
                game->imgAmmoBox ? "loaded" : "missing");
    ReleaseSprites();
    plat::DestroySurface(game->windowDC);
    FreeRecords();
    return outcome.ticks == config.ticks ? 0 : 1;
}
