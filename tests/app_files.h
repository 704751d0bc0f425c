// Small files for the application's tests: solid bitmaps, masks and the game's pictures.
#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/records.h"
#include "tests/test_files.h"

namespace app_test {

// A 24-bit BMP of one colour (0x00BBGGRR); path relative to the working directory, folders made.
inline void WriteBmp(const std::string& path, int w, int h, Colour colour) {
    std::filesystem::path p(path);
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
    ::WriteBmp(path, w, h, [colour](int, int) { return colour; });
}

using ::WriteBytes;

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A colour as it comes back from a 16-bit image list.
constexpr Colour Through565(Colour c) {
    uint32_t r = (c & 0xFF) >> 3, g = ((c >> 8) & 0xFF) >> 2, b = ((c >> 16) & 0xFF) >> 3;
    return ((r << 3) | (r >> 2)) | (((g << 2) | (g >> 4)) << 8) | (((b << 3) | (b >> 2)) << 16);
}

// Colours of the pictures written by WriteGameGraphics, already as the screen shows them.
constexpr Colour kLogo = Through565(0x200040), kPlayers = Through565(0x00C0C0), kQuit = Through565(0x0000C0);
constexpr Colour kPlay = Through565(0x00C000), kNone = Through565(0x404040),
                 kHumanIcon = Through565(0xFF80FF);
constexpr Colour kCompIcon = Through565(0xFF8080), kPressed = Through565(0x008080), kBox = 0x00FFFF;
constexpr Colour kExplosion = Through565(0x0060FF);

// Every picture the game reads, each a solid colour; sprite masks fully opaque.
inline void WriteGameGraphics() {
    WriteBmp("graphics/vex.bmp", 640, 480, 0x603020);
    WriteBmp("graphics/1tarv.bmp", 310, 50, 0xFFE0E0);
    WriteBmp("graphics/t4logo.bmp", 600, 400, kLogo);
    WriteBmp("graphics/players.bmp", 100, 20, kPlayers);
    WriteBmp("graphics/quit.bmp", 32, 32, kQuit);
    WriteBmp("graphics/play.bmp", 32, 32, kPlay);
    WriteBmp("graphics/none.bmp", 32, 32, kNone);
    WriteBmp("graphics/human.bmp", 32, 32, kHumanIcon);
    WriteBmp("graphics/comp.bmp", 32, 32, kCompIcon);
    WriteBmp("graphics/ammo.bmp", 31, 9, 0x80FFFF);
    WriteBmp("graphics/pagain.bmp", 400, 60, 0x006080);
    struct Pair {
        const char *colour, *mask;
        int size;
        Colour c;
    };
    const Pair pairs[] = {{"sexplo", "m_sexplo", 20, 0x0080FF}, {"lexplo", "m_lexplo", 44, kExplosion},
                          {"snova", "m_snova", 84, 0xFFFFFF},   {"pressed", "m_press", 32, kPressed},
                          {"ammo1", "m_ammo1", 20, kBox},       {"ammo2", "m_ammo2", 20, kBox},
                          {"ammo3", "m_ammo3", 20, kBox},       {"ammo4", "m_ammo4", 20, kBox}};
    for (const Pair& p : pairs) {
        WriteBmp(std::string("graphics/") + p.colour + ".bmp", p.size, p.size, p.c);
        WriteBmp(std::string("graphics/") + p.mask + ".bmp", p.size, p.size, 0);
    }
}

} // namespace app_test
