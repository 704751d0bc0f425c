// Any bytes as the three scroller texts: the input is cut into three pieces written as
// about.txt, about2.txt and about3.txt, read as start-up reads them, and the ticker runs for a
// few steps from places where each text is partly on screen and one wraps round.
#include <cstdint>

#include "game/records.h"
#include "gfx/starfield.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "settings/prefs.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

const char* const kTexts[3] = {"about.txt", "about2.txt", "about3.txt"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool entered = (fuzz::EnterScratch("texts"), true);
    (void)entered;
    for (int k = 0; k < 3; ++k) {
        size_t from = size * k / 3, to = size * (k + 1) / 3;
        if (!fuzz::WriteInput(kTexts[k], data + from, to - from)) return 0;
    }
    if (!AllocateRecords()) return 0;
    game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    for (int k = 0; k < 3; ++k) game->scrollerLength[k] = ReadTextFile(kTexts[k], game->scrollerText[k], -1);
    // Positions the ticker really takes (640 less a multiple of 5): text 0 entering on the left,
    // text 1 half across, text 2 two steps before its wrap.
    game->scrollerX[0] = 40;
    game->scrollerX[1] = -700;
    game->scrollerX[2] = -1410;
    for (int step = 0; step < 4; ++step) ScrollerStep();
    plat::headless::ClearMessageBoxes();
    plat::DestroySurface(game->windowDC);
    FreeRecords();
    return 0;
}
