// Lean: any bytes as the three ticker texts, held in memory and read as start-up reads them. What
// comes back must fit the ticker's lines; the first and the last letter of each are drawn.
#include <cstdint>

#include "game/records.h"
#include "platform/headless.h"
#include "platform/held_files.h"
#include "platform/surface.h"
#include "settings/prefs.h"

namespace {
const char* const kTexts[3] = {"about.txt", "about2.txt", "about3.txt"};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = AllocateRecords();
    static const plat::Handle surface = plat::CreateSurface(plat::kGlyphWidth, 1);
    if (!ready) return 0;
    for (int k = 0; k < 3; ++k) {
        size_t from = size * k / 3, to = size * (k + 1) / 3;
        plat::HoldFile(kTexts[k], data + from, to - from);
    }
    for (int k = 0; k < 3; ++k) {
        int32_t length = ReadTextFile(kTexts[k], game->scrollerText[k], -1);
        if (length < 0 || length > kTextFileLimit) __builtin_trap();
        plat::DrawTextBytes(surface, 0, 0, game->scrollerText[k], length);
        plat::DrawTextBytes(surface, plat::kGlyphWidth * (1 - length), 0, game->scrollerText[k], length);
    }
    plat::headless::ClearMessageBoxes();
    return 0;
}
