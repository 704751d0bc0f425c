// The generator's parts: pictures, sound effects, the music module and the data files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/raster.h"

namespace assets {

// One picture of the game, as written under graphics/.
struct Picture {
    std::string file; // e.g. "graphics/sexplo.bmp"
    art::Image image;
    bool mask = false;
};

// Every bitmap of the game, pictures before their masks.
std::vector<Picture> MakePictures();
// The desktop's icons, written as PNG under icons/hicolor/<size>/apps/.
std::vector<Picture> MakeIcons();

// The worms' colours of the default preferences, 0xRRGGBB, also used in the logo.
extern const uint32_t kWormColours[4];

struct Sound {
    std::string file; // e.g. "sounds/kaboom.wav"
    std::vector<uint8_t> bytes;
};
// The four effects as 16-bit PCM mono WAV files.
std::vector<Sound> MakeEffects();
// The background music, an XM module.
std::vector<uint8_t> MakeMusic();

struct TextFile {
    std::string file;
    std::string text;
};
// about.txt, about2.txt, about3.txt: the title-screen ticker.
std::vector<TextFile> MakeTexts();
// The 217 bytes of the default prefs.prf.
std::vector<uint8_t> MakeDefaultPrefs();

} // namespace assets
