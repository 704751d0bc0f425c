// Any bytes as a bitmap file: drawn opaque at several sizes and places with BlitBitmapFile, and
// as every colour and transparency file LoadSprites reads, so each of the five sets is cut from
// it at its own frame size; then frames of every set are drawn, also over the surface's edges.
#include <cstdint>
#include <string>

#include "game/records.h"
#include "gfx/canvas.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "tests/fuzz/fuzz_scratch.h"

namespace {

const char* const kSpriteFiles[] = {"sexplo",  "m_sexplo", "lexplo", "m_lexplo", "snova", "m_snova",
                                    "pressed", "m_press",  "ammo1",  "m_ammo1",  "ammo2", "m_ammo2",
                                    "ammo3",   "m_ammo3",  "ammo4",  "m_ammo4"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool entered = (fuzz::EnterScratch("bitmap", "graphics"), true);
    (void)entered;
    for (const char* name : kSpriteFiles)
        if (!fuzz::WriteInput(std::string("graphics/") + name + ".bmp", data, size)) return 0;
    if (!AllocateRecords()) return 0;
    game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    BlitBitmapFile("graphics\\sexplo.bmp", 0, 0, 640, 480);
    BlitBitmapFile("graphics\\sexplo.bmp", -7, 300, 31, 9);
    BlitBitmapFile("graphics\\sexplo.bmp", 600, 470, 1, 1);
    BlitBitmapFile("graphics\\sexplo.bmp", 630, -20, 400, 60);
    LoadSprites();
    const Handle sets[] = {game->imgSmallExplosion, game->imgLargeExplosion, game->imgSupernova,
                           game->imgPressed, game->imgAmmoBox};
    for (Handle set : sets)
        for (int16_t frame = 0; frame < 4; ++frame) {
            DrawSprite(set, frame, 10, 10);
            DrawSprite(set, frame, -30, 470);
            DrawSprite(set, frame, 630, -50);
        }
    ReleaseSprites();
    plat::headless::ClearMessageBoxes();
    plat::DestroySurface(game->windowDC);
    FreeRecords();
    return 0;
}
