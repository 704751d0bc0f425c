// The audio service: what it asks of the library, in which order, and what is then heard.
#include <filesystem>

#include "audio/audio.h"
#include "platform/headless_audio.h"
#include "tests/fixture.h"
#include "tests/sound_files.h"

using namespace sound_files;
namespace headless = plat::headless;
using Calls = std::vector<std::string>;

namespace {

class AudioServiceTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        std::filesystem::create_directory("sounds");
        WriteBytes("sounds/music.xm", MakeModule(8));
        std::vector<int16_t> bang(3000);
        for (size_t i = 0; i < bang.size(); ++i) bang[i] = static_cast<int16_t>(i % 40 < 20 ? 12000 : -12000);
        for (const char* name : {"kaboom", "jiha", "klick", "missil"})
            WriteBytes(std::string("sounds/") + name + ".wav", MakeWave16(bang, 22050, 1));
        game->musicOn = 1;
        game->soundOn = 1;
        game->musicVolume = 48;
        game->soundVolume = 40;
    }
    // Start-up as the game does it: library, device, music, then the four effects.
    void StartUp() {
        plat::AInitialize();
        OpenAudio();
        StartMusic("sounds\\music.xm");
        LoadEffects();
    }
    void LoadEffects() {
        uint32_t handle[4] = {};
        const char* files[4] = {"sounds\\kaboom.wav", "sounds\\jiha.wav", "sounds\\klick.wav",
                                "sounds\\missil.wav"};
        for (int i = 0; i < 4; ++i) plat::ALoadWaveFile(files[i], &handle[i], 0);
        game->soundKaboom = static_cast<int32_t>(handle[0]);
        game->soundJiha = static_cast<int32_t>(handle[1]);
        game->soundKlick = static_cast<int32_t>(handle[2]);
        game->soundMissil = static_cast<int32_t>(handle[3]);
    }
    static std::string N(int32_t handle) { return std::to_string(static_cast<uint32_t>(handle)); }
    // On the 16-bit scale whatever the output's width.
    static int PeakOfNext(int ms) {
        headless::AudioOutputInfo out = headless::AudioOutput();
        return Peak(headless::MixAudio(out.BytesPerSecond() / 1000 * ms), out.bits) *
               (out.bits == 8 ? 256 : 1);
    }
};

} // namespace

TEST_F(AudioServiceTest, OpenFollowsTheFormatTableAndCloseReleasesInOrder) {
    struct Case {
        uint8_t audio16Bit, audioFilter, audio44k;
        const char* open;
        int bits, rate;
    };
    const Case cases[] = {
        {1, 1, 1, "AOpenAudio(0xFFFF, 0x8101, 44100)", 16, 44100},
        {1, 0, 1, "AOpenAudio(0xFFFF, 0x0101, 44100)", 16, 44100},
        {0, 1, 1, "AOpenAudio(0xFFFF, 0x8100, 44100)", 8, 44100},
        {0, 0, 1, "AOpenAudio(0xFFFF, 0x0100, 44100)", 8, 44100},
        {1, 1, 0, "AOpenAudio(0xFFFF, 0x8101, 22050)", 16, 22050},
        {1, 0, 0, "AOpenAudio(0xFFFF, 0x0101, 22050)", 16, 22050},
        {0, 1, 0, "AOpenAudio(0xFFFF, 0x8100, 22050)", 8, 22050},
        {0, 0, 0, "AOpenAudio(0xFFFF, 0x0100, 22050)", 8, 22050},
        {7, 255, 2, "AOpenAudio(0xFFFF, 0x8101, 44100)", 16, 44100}, // any non-zero flag is on
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.open);
        game->audio16Bit = c.audio16Bit;
        game->audioFilter = c.audioFilter;
        game->audio44k = c.audio44k;
        headless::ClearAudioCalls();
        OpenAudio();
        EXPECT_EQ(headless::AudioCalls(), (Calls{c.open, "AOpenVoices(32)", "ACreateAudioVoice()"}));
        EXPECT_EQ(audioOpenInfo.deviceId, 0xFFFFu);
        EXPECT_NE(int32_t{game->effectVoice}, 0);
        headless::AudioOutputInfo out = headless::AudioOutput();
        EXPECT_TRUE(out.open);
        EXPECT_EQ(out.bits, c.bits);
        EXPECT_EQ(out.rate, c.rate);
        EXPECT_EQ(out.channels, 2);

        headless::ClearAudioCalls();
        CloseAudio();
        EXPECT_EQ(headless::AudioCalls(), (Calls{"ADestroyAudioVoice(" + N(game->effectVoice) + ")",
                                                 "ACloseVoices()", "ACloseAudio()"}));
        EXPECT_FALSE(headless::AudioOutput().open);
    }
    // The record is the library's 8-byte layout.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&audioOpenInfo);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 8),
              (std::vector<uint8_t>{0xFF, 0xFF, 0, 0, 0x01, 0x81, 0x44, 0xAC}));
}

TEST_F(AudioServiceTest, MusicOnLoadsPlaysAndStopsMusicOffTouchesNoModule) {
    OpenAudio();
    headless::ClearAudioCalls();
    StartMusic("sounds\\music.xm");
    ASSERT_NE(int32_t{game->musicModule}, 0);
    EXPECT_EQ(headless::AudioCalls(),
              (Calls{"ALoadModuleFile(\"sounds\\music.xm\", 0)", "APlayModule(" + N(game->musicModule) + ")",
                     "ASetModuleVolume(48)"}));
    EXPECT_GT(PeakOfNext(500), 1000);

    headless::ClearAudioCalls();
    int32_t module = game->musicModule;
    StopMusic();
    EXPECT_EQ(headless::AudioCalls(), (Calls{"AStopModule()", "AFreeModuleFile(" + N(module) + ")"}));
    EXPECT_EQ(int32_t{game->musicModule}, 0);
    EXPECT_EQ(PeakOfNext(500), 0);
    CloseAudio();

    // Volumes are read as signed bytes.
    game->musicVolume = 200;
    OpenAudio();
    headless::ClearAudioCalls();
    StartMusic("sounds\\music.xm");
    EXPECT_EQ(headless::AudioCalls().back(), "ASetModuleVolume(-56)");
    EXPECT_EQ(PeakOfNext(500), 0);
    StopMusic();
    CloseAudio();

    game->musicOn = 0;
    headless::ClearAudioCalls();
    OpenAudio();
    StartMusic("sounds\\music.xm");
    StopMusic();
    EXPECT_EQ(headless::AudioCalls(),
              (Calls{"AOpenAudio(0xFFFF, 0x0100, 22050)", "AOpenVoices(1)", "ACreateAudioVoice()"}));
    EXPECT_EQ(int32_t{game->musicModule}, 0);
    EXPECT_NE(int32_t{game->effectVoice}, 0);
    EXPECT_EQ(PeakOfNext(500), 0);
}

TEST_F(AudioServiceTest, EffectsPlayCentredAtTheSoundVolumeOnlyWhenSoundIsOn) {
    game->musicOn = 0; // only the effect is heard
    game->audio16Bit = 1;
    StartUp();
    ASSERT_NE(int32_t{game->soundKaboom}, 0);
    uint32_t voice = static_cast<uint32_t>(game->effectVoice);
    // A preview left the voice silent and to one side; the effect still plays as set.
    plat::ASetVoiceVolume(voice, 0);
    plat::ASetVoicePanning(voice, 0);
    headless::ClearAudioCalls();
    PlayEffect(game->soundKaboom);
    std::string v = N(game->effectVoice);
    EXPECT_EQ(headless::AudioCalls(),
              (Calls{"AStopVoice(" + v + ")", "APlayVoice(" + v + ", " + N(game->soundKaboom) + ")",
                     "ASetVoiceVolume(" + v + ", 40)", "ASetVoicePanning(" + v + ", 128)"}));
    std::vector<int16_t> out = Samples16(headless::MixAudio(4 * 1000));
    EXPECT_EQ(out[0], 12000 * 40 / 64);
    for (size_t i = 0; i < out.size(); i += 2) ASSERT_EQ(out[i], out[i + 1]);

    // A second effect cuts the first off and plays from its own start.
    PlayEffect(game->soundMissil);
    EXPECT_EQ(Samples16(headless::MixAudio(4))[0], 12000 * 40 / 64);
    EXPECT_EQ(SoundingFrames(headless::MixAudio(4 * 5000), 16, 2), 2999);

    game->soundOn = 0;
    headless::ClearAudioCalls();
    PlayEffect(game->soundKaboom);
    EXPECT_TRUE(headless::AudioCalls().empty());
    EXPECT_EQ(PeakOfNext(200), 0);
}

TEST_F(AudioServiceTest, AcceptedPreferencesReopenTheDeviceAndRestartTheMusic) {
    StartUp();
    int32_t oldVoice = game->effectVoice;
    int32_t oldModule = game->musicModule;
    headless::MixAudio(22050); // the music is some way in

    // Music off, 44 kHz on: stopped under the old settings, reopened under the new.
    auto accept = [&](uint8_t musicOn, uint8_t audio44k) {
        headless::ClearAudioCalls();
        StopMusic();
        game->musicOn = musicOn;
        game->audio44k = audio44k;
        CloseAudio();
        OpenAudio();
        StartMusic("sounds\\music.xm");
    };
    accept(0, 1);
    EXPECT_EQ(headless::AudioCalls(),
              (Calls{"AStopModule()", "AFreeModuleFile(" + N(oldModule) + ")",
                     "ADestroyAudioVoice(" + N(oldVoice) + ")", "ACloseVoices()", "ACloseAudio()",
                     "AOpenAudio(0xFFFF, 0x0100, 44100)", "AOpenVoices(1)", "ACreateAudioVoice()"}));
    EXPECT_EQ(int32_t{game->musicModule}, 0);
    EXPECT_NE(int32_t{game->effectVoice}, 0);
    EXPECT_NE(int32_t{game->effectVoice}, oldVoice);
    EXPECT_EQ(headless::AudioOutput().rate, 44100);
    EXPECT_EQ(PeakOfNext(300), 0);
    // The effects loaded at start-up still play on the new voice, converted to the new rate.
    PlayEffect(game->soundJiha);
    Bytes heard = headless::MixAudio(2 * 44100);
    EXPECT_GT(Peak(heard, 8), 20);
    // 3000 frames at twice the rate; the buzz's zero crossings round to silence in 8 bits.
    EXPECT_NEAR(SoundingFrames(heard, 8, 2), 6000, 200);

    // Music back on: loaded again and played from its start.
    int32_t quietVoice = game->effectVoice;
    accept(1, 1);
    std::string openAgain[] = {"ADestroyAudioVoice(" + N(quietVoice) + ")",
                               "ACloseVoices()",
                               "ACloseAudio()",
                               "AOpenAudio(0xFFFF, 0x0100, 44100)",
                               "AOpenVoices(32)",
                               "ACreateAudioVoice()",
                               "ALoadModuleFile(\"sounds\\music.xm\", 0)",
                               "APlayModule(" + N(game->musicModule) + ")",
                               "ASetModuleVolume(48)"};
    EXPECT_EQ(headless::AudioCalls(), Calls(std::begin(openAgain), std::end(openAgain)));
    EXPECT_NE(int32_t{game->musicModule}, 0);
    EXPECT_GT(PeakOfNext(300), 1000);
}

TEST_F(AudioServiceTest, ShutdownClosesTheVoicesTwiceAndLeavesEverythingReleased) {
    StartUp();
    int32_t module = game->musicModule;
    int32_t voice = game->effectVoice;
    headless::ClearAudioCalls();
    plat::ACloseVoices();
    StopMusic();
    for (int32_t effect : {game->soundKaboom, game->soundJiha, game->soundKlick, game->soundMissil})
        plat::AFreeWaveFile(static_cast<uint32_t>(effect));
    CloseAudio();
    EXPECT_EQ(
        headless::AudioCalls(),
        (Calls{"ACloseVoices()", "AStopModule()", "AFreeModuleFile(" + N(module) + ")",
               "AFreeWaveFile(" + N(game->soundKaboom) + ")", "AFreeWaveFile(" + N(game->soundJiha) + ")",
               "AFreeWaveFile(" + N(game->soundKlick) + ")", "AFreeWaveFile(" + N(game->soundMissil) + ")",
               "ADestroyAudioVoice(" + N(voice) + ")", "ACloseVoices()", "ACloseAudio()"}));
    EXPECT_FALSE(headless::AudioOutput().open);
    EXPECT_EQ(int32_t{game->musicModule}, 0);
    // Everything is gone: the handles are stale now.
    EXPECT_EQ(plat::AFreeWaveFile(static_cast<uint32_t>(game->soundKaboom)), plat::kAudioBadHandle);
    EXPECT_EQ(plat::AFreeModuleFile(static_cast<uint32_t>(module)), plat::kAudioBadHandle);
}

TEST_F(AudioServiceTest, MissingFilesAndNoDeviceLeaveTheGameSilent) {
    std::filesystem::remove_all("sounds");
    StartUp();
    EXPECT_EQ(int32_t{game->musicModule}, 0);
    EXPECT_EQ(int32_t{game->soundKaboom}, 0);
    EXPECT_EQ(int32_t{game->soundMissil}, 0);
    PlayEffect(game->soundKaboom);
    EXPECT_EQ(PeakOfNext(500), 0);
    StopMusic();
    CloseAudio();

    // A machine without sound: no voice, and the reopen keeps the old handle in place.
    std::filesystem::create_directory("sounds");
    WriteBytes("sounds/music.xm", MakeModule(8));
    OpenAudio();
    StartMusic("sounds\\music.xm");
    int32_t voice = game->effectVoice;
    StopMusic();
    CloseAudio();
    headless::FailAudioOutput(true);
    OpenAudio();
    StartMusic("sounds\\music.xm");
    EXPECT_EQ(int32_t{game->effectVoice}, voice);
    EXPECT_NE(int32_t{game->musicModule}, 0); // loaded, though nothing can play it
    PlayEffect(game->soundKaboom);
    EXPECT_TRUE(headless::MixAudio(1000).empty());
    StopMusic();
    CloseAudio();
    EXPECT_EQ(int32_t{game->musicModule}, 0);
}
