// Files held in memory: every reader takes them in place of the disk's files, and only while held.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx/canvas.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/headless.h"
#include "platform/held_files.h"
#include "settings/prefs.h"
#include "tests/fixture.h"
#include "tests/sound_files.h"
#include "tests/test_files.h"

TEST_F(GameTest, HeldFilesAreReadInsteadOfTheDisk) {
    WriteBytes("prefs.prf", std::vector<uint8_t>(217, 0x11));
    std::vector<uint8_t> prefs(100, 0x22);
    plat::HoldFile("prefs.prf", prefs.data(), prefs.size());
    LoadPrefs();
    EXPECT_EQ(PrefsBytes(game)[99], 0x22);
    EXPECT_EQ(PrefsBytes(game)[100], 0); // a short file fills only its first bytes

    plat::HoldFile("about.txt", "held text", 9);
    char text[256] = {};
    EXPECT_EQ(ReadTextFile("about.txt", text, -1), 9);
    EXPECT_STREQ(text, "held text");
    // An open held file reads what it was opened with, whatever is held afterwards.
    Handle open = plat::OpenFileForReading("about.txt");
    plat::HoldFile("about.txt", "other bytes", 11);
    char first[4] = {};
    EXPECT_EQ(plat::FileSize(open), 9);
    EXPECT_EQ(plat::ReadFile(open, first, 4), 4);
    EXPECT_EQ(std::string(first, 4), "held");
    plat::CloseFile(open);

    WriteBmp("picture.bmp", 4, 4, [](int, int) { return 0x0000F8u; });
    std::ifstream picture("picture.bmp", std::ios::binary);
    std::vector<char> bmp{std::istreambuf_iterator<char>(picture), std::istreambuf_iterator<char>()};
    plat::HoldFile("graphics/held.bmp", bmp.data(), bmp.size()); // either separator names it
    BlitBitmapFile("graphics\\held.bmp", 10, 10, 4, 4);
    EXPECT_EQ(Pixel(13, 13), 0x0000FFu);

    plat::AudioOpenInfo info{plat::kAudioDefaultDevice, 0x8101, 22050};
    ASSERT_EQ(plat::AOpenAudio(&info), plat::kAudioOk);
    sound_files::Bytes wave = sound_files::MakeWave8(std::vector<uint8_t>(100, 0x90), 22050, 1);
    sound_files::Bytes module = sound_files::MakeModule(4);
    plat::HoldFile("sounds\\held.wav", wave.data(), wave.size());
    plat::HoldFile("sounds\\held.xm", module.data(), module.size());
    uint32_t waveHandle = 0, moduleHandle = 0;
    EXPECT_EQ(plat::ALoadWaveFile("sounds\\held.wav", &waveHandle, 0), plat::kAudioOk);
    EXPECT_EQ(plat::ALoadModuleFile("sounds\\held.xm", &moduleHandle, 0), plat::kAudioOk);
    plat::AFreeWaveFile(waveHandle);
    plat::AFreeModuleFile(moduleHandle);
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());

    plat::ReleaseHeldFiles();
    LoadPrefs();
    EXPECT_EQ(PrefsBytes(game)[100], 0x11);
    EXPECT_EQ(ReadTextFile("about.txt", text, -1), 0);
    BlitBitmapFile("graphics\\held.bmp", 10, 10, 4, 4);
    EXPECT_EQ(plat::ALoadWaveFile("sounds\\held.wav", &waveHandle, 0), plat::kAudioBadFile);
    EXPECT_EQ(plat::headless::MessageBoxes().size(), 2u);
}
