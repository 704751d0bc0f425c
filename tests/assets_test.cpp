// The generated game files: every bitmap through the game's own loaders, the effects' wave
// format and levels, the ticker texts and the default preferences.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "gfx/canvas.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "tests/fixture.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string GameFile(const std::string& name) {
    return std::string(TARVEL_GAME_DIR) + "/" + name;
}

class AssetsTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        if (!InstallGraphics()) GTEST_SKIP() << "the game directory has not been built";
    }
};

struct PlainPicture {
    const char* path;
    int w, h;
};

const PlainPicture kPlainPictures[] = {
    {"graphics\\vex.bmp", 640, 480},    {"graphics\\1tarv.bmp", 310, 50},  {"graphics\\t4logo.bmp", 600, 400},
    {"graphics\\players.bmp", 100, 20}, {"graphics\\play.bmp", 32, 32},    {"graphics\\quit.bmp", 32, 32},
    {"graphics\\none.bmp", 32, 32},     {"graphics\\human.bmp", 32, 32},   {"graphics\\comp.bmp", 32, 32},
    {"graphics\\ammo.bmp", 31, 9},      {"graphics\\pagain.bmp", 400, 60},
};

struct SpritePair {
    const char* picture;
    const char* mask;
    int size;
    size_t offset; // of the set's handle in GameRecord
    int frame;
    bool transparentCorners; // a round shape on a transparent ground
};

const SpritePair kSpritePairs[] = {
    {"graphics\\sexplo.bmp", "graphics\\m_sexplo.bmp", 20, offsetof(GameRecord, imgSmallExplosion), 0, true},
    {"graphics\\lexplo.bmp", "graphics\\m_lexplo.bmp", 44, offsetof(GameRecord, imgLargeExplosion), 0, true},
    {"graphics\\snova.bmp", "graphics\\m_snova.bmp", 84, offsetof(GameRecord, imgSupernova), 0, true},
    {"graphics\\pressed.bmp", "graphics\\m_press.bmp", 32, offsetof(GameRecord, imgPressed), 0, false},
    {"graphics\\ammo1.bmp", "graphics\\m_ammo1.bmp", 20, offsetof(GameRecord, imgAmmoBox), 0, true},
    {"graphics\\ammo2.bmp", "graphics\\m_ammo2.bmp", 20, offsetof(GameRecord, imgAmmoBox), 1, true},
    {"graphics\\ammo3.bmp", "graphics\\m_ammo3.bmp", 20, offsetof(GameRecord, imgAmmoBox), 2, true},
    {"graphics\\ammo4.bmp", "graphics\\m_ammo4.bmp", 20, offsetof(GameRecord, imgAmmoBox), 3, true},
};

} // namespace

TEST_F(AssetsTest, EveryBitmapHasItsSizeAndShowsSomething) {
    for (const PlainPicture& p : kPlainPictures) {
        SCOPED_TRACE(p.path);
        Handle bitmap = plat::LoadBitmapFile(p.path);
        ASSERT_NE(bitmap, 0u);
        EXPECT_EQ(plat::BitmapWidth(bitmap), p.w);
        EXPECT_EQ(plat::BitmapHeight(bitmap), p.h);
        plat::FreeBitmap(bitmap);
        // Drawn as the game draws it: a real picture lights a fair share of its pixels.
        FillBox(0, 0, 640, 480, 0);
        BlitBitmapFile(p.path, 0, 0, p.w, p.h);
        int lit = 0;
        for (int y = 0; y < p.h; ++y)
            for (int x = 0; x < p.w; ++x) lit += Pixel(x, y) != 0;
        EXPECT_GT(lit, p.w * p.h / 10);
    }
    for (const SpritePair& s : kSpritePairs)
        for (const char* path : {s.picture, s.mask}) {
            SCOPED_TRACE(path);
            Handle bitmap = plat::LoadBitmapFile(path);
            ASSERT_NE(bitmap, 0u);
            EXPECT_EQ(plat::BitmapWidth(bitmap), s.size);
            EXPECT_EQ(plat::BitmapHeight(bitmap), s.size);
            plat::FreeBitmap(bitmap);
        }
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());
}

TEST_F(AssetsTest, SpriteSetsLoadWithTheirFramesAndMasksFollowThePictures) {
    LoadSprites();
    EXPECT_EQ(plat::ImageListCount(game->imgSmallExplosion), 1);
    EXPECT_EQ(plat::ImageListCount(game->imgLargeExplosion), 1);
    EXPECT_EQ(plat::ImageListCount(game->imgSupernova), 1);
    EXPECT_EQ(plat::ImageListCount(game->imgPressed), 1);
    EXPECT_EQ(plat::ImageListCount(game->imgAmmoBox), 4);
    const Colour ground = 0xFF00FF; // in none of the pictures
    for (const SpritePair& s : kSpritePairs) {
        SCOPED_TRACE(s.picture);
        // The picture drawn opaque on black, and the sprite drawn through its mask on magenta.
        FillBox(0, 0, 640, 480, 0);
        BlitBitmapFile(s.picture, 0, 0, s.size, s.size);
        FillBox(100, 0, s.size, s.size, ground);
        // The handles sit unaligned in the packed record: copied out, never loaded through the member
        // pointer.
        Handle set = 0;
        std::memcpy(&set, reinterpret_cast<const char*>(game) + s.offset, sizeof set);
        DrawSprite(set, static_cast<int16_t>(s.frame), 100, 0);
        int opaque = 0, mismatched = 0;
        for (int y = 0; y < s.size; ++y)
            for (int x = 0; x < s.size; ++x) {
                bool shown = Pixel(100 + x, y) != ground;
                bool lit = Pixel(x, y) != 0;
                opaque += shown;
                mismatched += shown != lit;
                if (shown) {
                    EXPECT_EQ(Pixel(100 + x, y), Pixel(x, y));
                }
            }
        // Opaque exactly where the picture has colour, transparent where it is black.
        EXPECT_EQ(mismatched, 0);
        EXPECT_GT(opaque, s.size * s.size / 5);
        if (s.transparentCorners) {
            EXPECT_EQ(Pixel(100, 0), ground);
            EXPECT_EQ(Pixel(100 + s.size - 1, s.size - 1), ground);
            EXPECT_LT(opaque, s.size * s.size);
        }
    }
    // The box frames differ from one another, so the box visibly animates.
    std::set<std::vector<Colour>> frames;
    for (int f = 0; f < 4; ++f) {
        FillBox(0, 0, 20, 20, 0);
        DrawSprite(game->imgAmmoBox, static_cast<int16_t>(f), 0, 0);
        std::vector<Colour> pixels;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) pixels.push_back(Pixel(x, y));
        frames.insert(pixels);
    }
    EXPECT_EQ(frames.size(), 4u);
    ReleaseSprites();
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());
}

namespace {

struct Wave {
    bool ok = false;
    uint16_t format = 0, channels = 0, bits = 0;
    uint32_t rate = 0;
    std::vector<int16_t> samples;
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

// Walks the RIFF chunks for "fmt " and "data".
Wave ParseWave(const std::vector<uint8_t>& b) {
    Wave w;
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return w;
    if (Le32(b, 4) != b.size() - 8) return w;
    bool haveFormat = false, haveData = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        uint32_t size = Le32(b, at + 4);
        if (at + 8 + size > b.size()) return w;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
            w.format = Le16(b, at + 8);
            w.channels = Le16(b, at + 10);
            w.rate = Le32(b, at + 12);
            w.bits = Le16(b, at + 22);
            haveFormat = true;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            for (uint32_t i = 0; i + 1 < size; i += 2)
                w.samples.push_back(static_cast<int16_t>(Le16(b, at + 8 + i)));
            haveData = true;
        }
        at += 8 + size + (size & 1);
    }
    w.ok = haveFormat && haveData;
    return w;
}

} // namespace

TEST(Assets, EffectsAre16BitPcmNormalisedWithoutClipping) {
    struct Effect {
        const char* file;
        double minSeconds, maxSeconds;
    };
    const Effect effects[] = {{"sounds/kaboom.wav", 0.5, 0.75},
                              {"sounds/jiha.wav", 0.3, 1.2},
                              {"sounds/klick.wav", 0.01, 0.1},
                              {"sounds/missil.wav", 0.2, 0.4}};
    for (const Effect& e : effects) {
        SCOPED_TRACE(e.file);
        std::vector<uint8_t> bytes = ReadAll(GameFile(e.file));
        if (bytes.empty()) GTEST_SKIP() << "the game directory has not been built";
        Wave w = ParseWave(bytes);
        ASSERT_TRUE(w.ok);
        EXPECT_EQ(w.format, 1); // PCM
        EXPECT_EQ(w.bits, 16);
        EXPECT_TRUE(w.channels == 1 || w.channels == 2);
        EXPECT_TRUE(w.rate == 22050 || w.rate == 44100);
        double seconds = w.samples.size() / static_cast<double>(w.rate * w.channels);
        EXPECT_GE(seconds, e.minSeconds);
        EXPECT_LE(seconds, e.maxSeconds);
        int peak = 0, atPeak = 0;
        for (int16_t s : w.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
        for (int16_t s : w.samples) atPeak += std::abs(static_cast<int>(s)) >= peak - 1;
        // Normalised to about 90 %, never touching full scale, no flattened tops.
        EXPECT_GE(peak, 0.85 * 32767);
        EXPECT_LE(peak, 0.95 * 32767);
        EXPECT_LE(atPeak, 4);
        // Each ends quietly, so cutting it off by the next effect does not click.
        EXPECT_LT(std::abs(static_cast<int>(w.samples.back())), 1000);
    }
}

TEST(Assets, MusicIsAnExtendedModuleWithEnoughChannels) {
    std::vector<uint8_t> xm = ReadAll(GameFile("sounds/music.xm"));
    if (xm.empty()) GTEST_SKIP() << "the game directory has not been built";
    ASSERT_GT(xm.size(), 336u);
    EXPECT_EQ(std::memcmp(xm.data(), "Extended Module: ", 17), 0);
    EXPECT_EQ(xm[37], 0x1A);
    EXPECT_EQ(Le16(xm, 58), 0x0104);
    uint16_t songLength = Le16(xm, 64), restart = Le16(xm, 66), channels = Le16(xm, 68);
    EXPECT_GE(channels, 4);
    EXPECT_GE(songLength, 10); // 6.4 s a pattern
    EXPECT_LT(restart, songLength);
}

TEST(Assets, TickerTextsFitTheirBuffersAndTheTicker) {
    for (const char* name : {"about.txt", "about2.txt", "about3.txt"}) {
        SCOPED_TRACE(name);
        std::vector<uint8_t> text = ReadAll(GameFile(name));
        if (text.empty()) GTEST_SKIP() << "the game directory has not been built";
        EXPECT_LE(text.size(), 256u);
        // The ticker shows the texts 660..700 pixels apart at 8 pixels a character.
        EXPECT_LE(text.size(), 82u);
        for (uint8_t c : text) EXPECT_TRUE(c >= 32 && c < 127) << "byte " << int(c);
    }
}

#ifdef TARVEL_DEFAULT_PREFS
TEST(Assets, DefaultPrefsGiveAPlayableFirstRound) {
    std::vector<uint8_t> bytes = ReadAll(TARVEL_DEFAULT_PREFS);
    ASSERT_EQ(bytes.size(), kPrefsSize);
    static GameRecord record;
    std::memcpy(PrefsBytes(&record), bytes.data(), kPrefsSize);

    int humans = 0, computers = 0;
    std::set<uint32_t> colours;
    std::set<std::vector<uint8_t>> abilitySets;
    for (int p = 0; p < 4; ++p) {
        SCOPED_TRACE(p);
        const PlayerProfile& pr = record.profiles[p];
        humans += record.playerKind[p] == kHuman;
        computers += record.playerKind[p] == kComputer;
        if (record.playerKind[p] == kNoPlayer) continue;
        int nameLength = ProfileNameLength(pr);
        EXPECT_GT(nameLength, 0);
        EXPECT_LT(nameLength, 32);
        EXPECT_NE(+pr.color, 0u);
        colours.insert(+pr.color);
        // Abilities in ascending order, bought from a budget of at most 7 points; the speed is
        // the points left + 2, as the setup dialog sets it.
        int spent = 0, previous = 0;
        bool empty = false;
        for (uint8_t id : pr.abilities) {
            if (id == 0) {
                empty = true;
                continue;
            }
            EXPECT_FALSE(empty) << "abilities fill from slot 0";
            EXPECT_GT(id, previous);
            EXPECT_GT(AbilityCost(id), 0) << "id " << int(id);
            spent += AbilityCost(id);
            previous = id;
        }
        EXPECT_GE(pr.points, 0);
        EXPECT_LE(spent + pr.points, 7);
        EXPECT_EQ(pr.speed, pr.points + 2);
        abilitySets.insert(std::vector<uint8_t>(pr.abilities, pr.abilities + 4));
    }
    EXPECT_EQ(humans, 1);
    EXPECT_GE(computers, 2);
    EXPECT_EQ(colours.size(), static_cast<size_t>(humans + computers));
    EXPECT_EQ(abilitySets.size(), static_cast<size_t>(humans + computers));

    // The human's six keys are bound, all different.
    int human = 0;
    while (record.playerKind[human] != kHuman) ++human;
    std::set<uint8_t> keys;
    for (int action = 0; action < 6; ++action) keys.insert(record.keys[4 * action + human]);
    EXPECT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys.count(0), 0u);
    EXPECT_EQ(keys.count(116), 0u); // F5 and F8 are the game's own
    EXPECT_EQ(keys.count(119), 0u);

    EXPECT_GE(record.gameSpeed, 20);
    EXPECT_LE(record.gameSpeed, 30);
    EXPECT_EQ(record.musicOn, 1);
    EXPECT_EQ(record.soundOn, 1);
    EXPECT_GE(record.musicVolume, 16);
    EXPECT_LE(record.musicVolume, 64);
    EXPECT_GE(record.soundVolume, 16);
    EXPECT_LE(record.soundVolume, 64);
    EXPECT_EQ(record.audio16Bit, 1);
    EXPECT_EQ(record.audio44k, 1);
    EXPECT_GT(record.blockCount, 0);
    EXPECT_LE(record.blockCount, 20);
    EXPECT_EQ(record.autoStart, 1);
}
#endif
