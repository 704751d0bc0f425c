// The preferences file and the scroller texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "game/records.h"
#include "platform/headless.h"
#include "settings/prefs.h"
#include "tests/app_files.h"
#include "tests/fixture.h"

using namespace app_test;

namespace {

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

} // namespace

TEST_F(GameTest, MissingPrefsFileIsReportedAndLeavesTheZeroDefaults) {
    game->mainWindow = 1;
    LoadPrefs();
    const auto& boxes = plat::headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Sorry, can't read preferences. Will create new prefernces");
    EXPECT_EQ(boxes[0].caption, "Prefs Error");
    EXPECT_EQ(boxes[0].owner, 1u);
    for (size_t i = 0; i < kPrefsSize; ++i) ASSERT_EQ(PrefsBytes(game)[i], 0) << i;
    // The next save creates it with exactly the persisted range.
    SavePrefs();
    EXPECT_EQ(std::filesystem::file_size("prefs.prf"), kPrefsSize);
}

TEST_F(GameTest, ShortAndLongPrefsFiles) {
    WriteBytes("prefs.prf", Pattern(100, 1));
    LoadPrefs();
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());
    EXPECT_EQ(std::memcmp(PrefsBytes(game), Pattern(100, 1).data(), 100), 0);
    EXPECT_EQ(std::memcmp(&game->profiles[2], Pattern(100, 1).data() + 84, 16), 0);
    for (size_t i = 100; i < kPrefsSize; ++i) ASSERT_EQ(PrefsBytes(game)[i], 0) << i;

    // A 300-byte file: the first 217 bytes load; saving rewrites them and keeps the tail.
    std::vector<uint8_t> longFile = Pattern(300, 9);
    WriteBytes("prefs.prf", longFile);
    std::memset(PrefsBytes(game), 0, kPrefsSize);
    LoadPrefs();
    EXPECT_EQ(std::memcmp(PrefsBytes(game), longFile.data(), kPrefsSize), 0);
    EXPECT_EQ(game->screenMode, 0);   // nothing before byte 152 is touched
    EXPECT_EQ(+game->soundKaboom, 0); // nor after byte 368
    game->gameSpeed = 42;
    SavePrefs();
    std::vector<uint8_t> saved = ReadBytes("prefs.prf");
    ASSERT_EQ(saved.size(), 300u);
    EXPECT_EQ(std::memcmp(saved.data(), PrefsBytes(game), kPrefsSize), 0);
    EXPECT_EQ(saved[176], 42);
    EXPECT_TRUE(std::equal(saved.begin() + 217, saved.end(), longFile.begin() + 217));
}

TEST_F(GameTest, PrefsRoundTripByteForByteWithAPendingRestart) {
    std::snprintf(game->profiles[1].name, sizeof game->profiles[1].name, "Bob");
    game->profiles[3].color = 0x00C08040;
    game->playerKind[2] = kComputer;
    game->gameSpeed = 100;
    game->keys[23] = 222;
    game->blockCount = -3;
    game->autoStart = 17; // a restart counting down when the game was left
    SavePrefs();
    std::vector<uint8_t> saved = ReadBytes("prefs.prf");
    ASSERT_EQ(saved.size(), kPrefsSize);
    EXPECT_EQ(saved[216], 17);
    std::vector<uint8_t> before(PrefsBytes(game), PrefsBytes(game) + kPrefsSize);
    std::memset(PrefsBytes(game), 0, kPrefsSize);
    LoadPrefs();
    EXPECT_EQ(std::vector<uint8_t>(PrefsBytes(game), PrefsBytes(game) + kPrefsSize), before);
    EXPECT_EQ(game->autoStart, 17);

    // A prefs.prf that cannot be written is reported; the run's changes are lost, nothing else.
    std::filesystem::remove("prefs.prf");
    std::filesystem::create_directory("prefs.prf");
    game->mainWindow = 1;
    SavePrefs();
    const auto& boxes = plat::headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Sorry, can't save preferences.");
    EXPECT_EQ(boxes[0].caption, "Prefs Error");
    EXPECT_EQ(boxes[0].owner, 1u);
}

TEST_F(GameTest, ReadTextFileStaysInsideTheScrollerLines) {
    WriteBytes("about.txt", Pattern(256, 3));
    EXPECT_EQ(ReadTextFile("about.txt", game->scrollerText[0], -1), 256);
    EXPECT_EQ(std::memcmp(game->scrollerText[0], Pattern(256, 3).data(), 256), 0);

    // A longer file: 256 bytes arrive and the rest is dropped, the bytes after the line untouched.
    WriteBytes("long.txt", Pattern(1000, 5));
    char buffer[300];
    std::memset(buffer, 0x55, sizeof buffer);
    EXPECT_EQ(ReadTextFile("long.txt", buffer, -1), 256);
    EXPECT_EQ(std::memcmp(buffer, Pattern(256, 5).data(), 256), 0);
    for (int i = 256; i < 300; ++i) ASSERT_EQ(buffer[i], 0x55) << i;
    EXPECT_EQ(ReadTextFile("long.txt", buffer, 5000), 256);
    // A given count reads that many, or what the file has, with no terminator added.
    std::memset(buffer, 0x55, sizeof buffer);
    EXPECT_EQ(ReadTextFile("long.txt", buffer, 10), 10);
    EXPECT_EQ(buffer[10], 0x55);
    WriteBytes("short.txt", Pattern(7, 1));
    EXPECT_EQ(ReadTextFile("short.txt", buffer, 100), 7);
    WriteBytes("empty.txt", {});
    EXPECT_EQ(ReadTextFile("empty.txt", buffer, -1), 0);
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());

    game->mainWindow = 1;
    EXPECT_EQ(ReadTextFile("about2.txt", buffer, -1), 0);
    const auto& boxes = plat::headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Can't read file.");
    EXPECT_EQ(boxes[0].caption, "Read Error");
    EXPECT_EQ(boxes[0].owner, 1u);
}
