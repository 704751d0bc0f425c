// Where the game's files are: a game directory, or an installed game reading its data from the
// install tree and keeping prefs.prf in the player's config folder.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "game/records.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "settings/prefs.h"
#include "tests/app_files.h"
#include "tests/fixture.h"
#include "tests/sound_files.h"

namespace fs = std::filesystem;
using namespace app_test;

namespace {

// An installed game under scratch/prefix, started from scratch/work with scratch/home as home.
class InstalledTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        for (const char* name : {"XDG_CONFIG_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
        }
        bin = scratch / "prefix/games";
        data = fs::weakly_canonical(bin / TARVEL_DATA_FROM_BINARY);
        fs::create_directories(bin);
        fs::create_directories(scratch / "home");
        fs::create_directories(scratch / "work");
        fs::create_directories(data);
        fs::current_path(data);
        WriteBmp("graphics/t4logo.bmp", 60, 40, 0x102030);
        fs::create_directories("sounds");
        std::vector<uint8_t> defaults(kPrefsSize);
        for (size_t i = 0; i < defaults.size(); ++i) defaults[i] = static_cast<uint8_t>(i * 3);
        WriteBytes("prefs.prf", defaults);
        sound_files::WriteBytes("sounds/music.xm", sound_files::MakeModule(4));
        sound_files::WriteBytes("sounds/klick.wav", sound_files::MakeWave16({0, 900, -900, 0}, 22050, 1));
        fs::current_path(scratch / "work");
        setenv("HOME", (scratch / "home").c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        plat::FindGameFiles(nullptr);
        for (const auto& [name, value] : saved) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        GameTest::TearDown();
    }
    static std::string Host(const char* name) {
        char buffer[1024];
        return plat::HostPath(name, buffer, sizeof buffer);
    }
    static std::string HostForWriting(const char* name) {
        char buffer[1024];
        return plat::HostPathForWriting(name, buffer, sizeof buffer);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    fs::path bin, data;
};

} // namespace

TEST_F(InstalledTest, DataComesFromTheInstallTreeAndPrefsFromTheConfigFolder) {
    plat::FindGameFiles(bin.c_str());
    EXPECT_EQ(std::string(plat::DataFolder()), data.string() + "/");
    fs::path config = scratch / "home/.config/tarvel4";
    EXPECT_EQ(std::string(plat::ConfigFolder()), config.string() + "/");

    // Every reader finds the data by the game's own names.
    EXPECT_EQ(Host("graphics\\t4logo.bmp"), (data / "graphics/t4logo.bmp").string());
    Handle bitmap = plat::LoadBitmapFile("graphics\\t4logo.bmp");
    EXPECT_NE(bitmap, 0u);
    plat::FreeBitmap(bitmap);
    uint32_t module = 0, wave = 0;
    plat::AInitialize();
    EXPECT_EQ(plat::ALoadModuleFile("sounds\\music.xm", &module, 0), plat::kAudioOk);
    EXPECT_EQ(plat::ALoadWaveFile("sounds\\klick.wav", &wave, 0), plat::kAudioOk);

    // The first start copies the default prefs into a new, private config folder: no box.
    std::vector<uint8_t> defaults = ReadBytes((data / "prefs.prf").string());
    LoadPrefs();
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());
    EXPECT_EQ(std::vector<uint8_t>(PrefsBytes(game), PrefsBytes(game) + kPrefsSize), defaults);
    EXPECT_EQ(ReadBytes((config / "prefs.prf").string()), defaults);
    EXPECT_EQ(fs::status(config).permissions() & fs::perms::all, fs::perms::owner_all);

    // Saving writes the player's copy; the next start reads it, the default stays as it was.
    game->gameSpeed = 77;
    SavePrefs();
    std::memset(PrefsBytes(game), 0, kPrefsSize);
    LoadPrefs();
    EXPECT_EQ(game->gameSpeed, 77);
    EXPECT_EQ(ReadBytes((data / "prefs.prf").string()), defaults);
    EXPECT_EQ(fs::file_size(config / "prefs.prf"), kPrefsSize);
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());

    // Nothing but per-user files can be written, and nothing lands in the working directory.
    EXPECT_TRUE(plat::IsPerUserFile("prefs.prf"));
    EXPECT_FALSE(plat::IsPerUserFile("about.txt"));
    EXPECT_EQ(HostForWriting("graphics\\t4logo.bmp"), "");
    EXPECT_EQ(plat::OpenFileForWriting("about.txt"), 0u);
    EXPECT_TRUE(fs::is_empty(scratch / "work"));
    EXPECT_EQ(fs::directory_iterator(config)->path().filename(), "prefs.prf");

    // $XDG_CONFIG_HOME wins when it is absolute; a relative one is ignored.
    setenv("XDG_CONFIG_HOME", (scratch / "xdg").c_str(), 1);
    plat::FindGameFiles(bin.c_str());
    EXPECT_EQ(std::string(plat::ConfigFolder()), (scratch / "xdg/tarvel4/").string());
    LoadPrefs();
    EXPECT_EQ(ReadBytes((scratch / "xdg/tarvel4/prefs.prf").string()), defaults);
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    plat::FindGameFiles(bin.c_str());
    EXPECT_EQ(std::string(plat::ConfigFolder()), config.string() + "/");
}

TEST_F(InstalledTest, AConfigFolderThatCannotBeMadePlaysOnTheDefaultsAndSaysSoOnSaving) {
    // A plain file where the config folder's parent should be: no one can make folders there.
    WriteBytes((scratch / "blocked").string(), {1});
    setenv("XDG_CONFIG_HOME", (scratch / "blocked/config").c_str(), 1);
    plat::FindGameFiles(bin.c_str());
    LoadPrefs();
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());
    EXPECT_EQ(std::vector<uint8_t>(PrefsBytes(game), PrefsBytes(game) + kPrefsSize),
              ReadBytes((data / "prefs.prf").string()));
    SavePrefs();
    const auto& boxes = plat::headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Sorry, can't save preferences.");
    EXPECT_EQ(fs::file_size(data / "prefs.prf"), kPrefsSize);

    // A player's own prefs.prf that cannot be read gets the box it gets in a game directory.
    setenv("XDG_CONFIG_HOME", (scratch / "xdg").c_str(), 1);
    fs::create_directories(scratch / "xdg/tarvel4/prefs.prf");
    plat::FindGameFiles(bin.c_str());
    plat::headless::ClearMessageBoxes();
    LoadPrefs();
    ASSERT_EQ(plat::headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(plat::headless::MessageBoxes()[0].text,
              "Sorry, can't read preferences. Will create new prefernces");
}

TEST_F(InstalledTest, AGameDirectoryKeepsEveryFileInTheWorkingDirectory) {
    // graphics/ beside the binary makes a game directory even with an install tree around it.
    fs::create_directories(bin / "graphics");
    plat::FindGameFiles(bin.c_str());
    EXPECT_EQ(std::string(plat::DataFolder()), "");
    EXPECT_EQ(Host("graphics\\t4logo.bmp"), "graphics/t4logo.bmp");
    EXPECT_EQ(HostForWriting("prefs.prf"), "prefs.prf");
    game->gameSpeed = 5;
    SavePrefs();
    EXPECT_EQ(fs::file_size(scratch / "work/prefs.prf"), kPrefsSize);
    EXPECT_FALSE(fs::exists(scratch / "home/.config"));
    // No install tree either: the same.
    plat::FindGameFiles((scratch / "work").c_str());
    EXPECT_EQ(Host("sounds\\music.xm"), "sounds/music.xm");
    // A path longer than the buffer is no path, rather than another file's.
    char small[8];
    EXPECT_STREQ(plat::HostPath("graphics\\t4logo.bmp", small, sizeof small), "");
}
