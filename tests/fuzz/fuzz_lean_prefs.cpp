// Lean: any bytes as prefs.prf, held in memory and loaded as the game loads it; then what reads
// the settings short of playing or opening a dialog: the tick period, the title screen's slots,
// and the status panels and the results with those names and colours. Pictures are off: nothing
// is drawn and no file is read.
#include <cstdint>
#include <cstring>

#include "app/input.h"
#include "game/records.h"
#include "game/timer.h"
#include "gfx/panels.h"
#include "platform/headless.h"
#include "platform/held_files.h"
#include "platform/surface.h"
#include "settings/prefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (plat::SkipPictures(true), AllocateRecords());
    if (!ready) return 0;
    std::memset(static_cast<void*>(game), 0, sizeof *game);
    plat::HoldFile("prefs.prf", data, size);
    LoadPrefs();
    (void)TickPeriod(game->gameSpeed);
    game->screenMode = 1;
    MainWindowProc(game->mainWindow, plat::Msg::Paint, 0, 0);
    DrawStatusPanel(255);
    DrawResults();
    plat::headless::ClearMessageBoxes();
    return 0;
}
