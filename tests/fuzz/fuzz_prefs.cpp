// Any bytes as prefs.prf: loaded as the game loads it, then a round with those profiles and
// settings is set up and played for a few hundred ticks by computer worms (human seats are
// handed to the computer, since nobody presses keys here), automatic restarts included, and
// the preferences are saved again.
#include <cstdint>

#include "game/records.h"
#include "game/round.h"
#include "game/timer.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "settings/prefs.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

constexpr int kTicks = 300;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool entered = (fuzz::EnterScratch("prefs"), true);
    (void)entered;
    if (!fuzz::WriteInput("prefs.prf", data, size)) return 0;
    if (!AllocateRecords()) return 0;
    game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    plat::headless::SetClock(static_cast<uint32_t>(size));
    LoadPrefs();
    for (int p = 0; p < 4; ++p)
        if (game->playerKind[p] == kHuman) game->playerKind[p] = kComputer;
    NewRound();
    for (int tick = 0; tick < kTicks; ++tick) {
        // The tick timer's period, kept small so a huge gameSpeed cannot wrap the virtual clock.
        plat::headless::AdvanceClock(static_cast<uint32_t>(game->gameSpeed & 0xFFFF) * 2 + 10);
        OnTick();
        plat::headless::ClearMessageBoxes();
    }
    SavePrefs();
    plat::headless::ClearMessageBoxes();
    plat::DestroySurface(game->windowDC);
    FreeRecords();
    return 0;
}
