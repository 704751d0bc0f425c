// Any bytes as a bitmap file: drawn opaque at several sizes and loaded as a sprite picture and mask.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "game/records.h"
#include "gfx/canvas.h"
#include "platform/headless.h"
#include "platform/surface.h"

namespace {

void Write(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

struct Scratch {
    Scratch() {
        auto dir =
            std::filesystem::temp_directory_path() / ("tarvel-fuzz-bitmap-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir / "graphics");
        std::filesystem::current_path(dir);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Scratch scratch;
    if (!AllocateRecords()) return 0;
    game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    Write("graphics/sexplo.bmp", data, size);
    Write("graphics/m_sexplo.bmp", data, size);
    BlitBitmapFile("graphics\\sexplo.bmp", 0, 0, 640, 480);
    BlitBitmapFile("graphics\\sexplo.bmp", -7, 300, 31, 9);
    BlitBitmapFile("graphics\\sexplo.bmp", 600, 470, 1, 1);
    LoadSprites();
    DrawSprite(game->imgSmallExplosion, 0, 10, 10);
    ReleaseSprites();
    plat::headless::ClearMessageBoxes();
    plat::DestroySurface(game->windowDC);
    FreeRecords();
    return 0;
}
