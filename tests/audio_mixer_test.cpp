// The audio library mixing for real through the headless output.
#include <filesystem>
#include <random>

#include "platform/audio.h"
#include "platform/headless_audio.h"
#include "tests/fixture.h"
#include "tests/sound_files.h"

using namespace plat;
using namespace sound_files;
namespace headless = plat::headless;

namespace {

class AudioMixerTest : public GameTest {
  protected:
    void Open(uint16_t format, uint16_t rate, int voices = 32) {
        AudioOpenInfo info{kAudioDefaultDevice, format, rate};
        ASSERT_EQ(AOpenAudio(&info), kAudioOk);
        ASSERT_EQ(AOpenVoices(voices), kAudioOk);
    }
    uint32_t Voice() {
        uint32_t voice = 0;
        EXPECT_EQ(ACreateAudioVoice(&voice), kAudioOk);
        return voice;
    }
    uint32_t LoadWave(const Bytes& bytes, const char* name = "effect.wav") {
        WriteBytes(name, bytes);
        uint32_t wave = 0;
        EXPECT_EQ(ALoadWaveFile(name, &wave, 0), kAudioOk);
        return wave;
    }
    uint32_t LoadModule(int channels = 4) {
        WriteBytes("tune.xm", MakeModule(channels));
        uint32_t module = 0;
        EXPECT_EQ(ALoadModuleFile("tune.xm", &module, 0), kAudioOk);
        return module;
    }
    // Bytes of the given number of frames in the open output's format.
    static int Frames(int frames) {
        headless::AudioOutputInfo out = headless::AudioOutput();
        return frames * out.bits / 8 * out.channels;
    }
};

std::vector<int16_t> Ramp(int frames) {
    std::vector<int16_t> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) samples[static_cast<size_t>(i)] = static_cast<int16_t>(1000 + 10 * i);
    return samples;
}

} // namespace

TEST_F(AudioMixerTest, ModulePlaysLoopsStopsAndFollowsItsVolume) {
    Open(kAudioFormatStereo | kAudioFormat16Bit, 22050);
    uint32_t module = LoadModule();
    ASSERT_NE(module, 0u);
    EXPECT_EQ(headless::MixAudio(Frames(22050)), Bytes(static_cast<size_t>(Frames(22050)), 0));

    ASSERT_EQ(APlayModule(module), kAudioOk);
    EXPECT_GT(Peak(headless::MixAudio(Frames(22050)), 16), 1000);
    // The tune lasts about two seconds; the fifth second still sounds because the song loops.
    headless::MixAudio(Frames(3 * 22050));
    EXPECT_GT(Peak(headless::MixAudio(Frames(22050)), 16), 1000);

    ASSERT_EQ(ASetModuleVolume(0), kAudioOk);
    EXPECT_EQ(Peak(headless::MixAudio(Frames(4096)), 16), 0);
    ASSERT_EQ(ASetModuleVolume(64), kAudioOk);
    int full = Peak(headless::MixAudio(Frames(4096)), 16);
    ASSERT_EQ(ASetModuleVolume(16), kAudioOk);
    int quarter = Peak(headless::MixAudio(Frames(4096)), 16);
    EXPECT_NEAR(quarter, full / 4, full / 20);

    ASSERT_EQ(AStopModule(), kAudioOk);
    EXPECT_EQ(Peak(headless::MixAudio(Frames(22050)), 16), 0);
    EXPECT_EQ(AFreeModuleFile(module), kAudioOk);
    EXPECT_EQ(APlayModule(module), kAudioBadHandle);
    EXPECT_EQ(AFreeModuleFile(module), kAudioBadHandle);
}

TEST_F(AudioMixerTest, EffectPlaysOnceAndRestartsFromItsFirstSample) {
    Open(kAudioFormatStereo | kAudioFormat16Bit, 22050);
    uint32_t voice = Voice();
    std::vector<int16_t> ramp = Ramp(2000);
    uint32_t wave = LoadWave(MakeWave16(ramp, 22050, 1));

    ASSERT_EQ(APlayVoice(voice, wave), kAudioOk);
    std::vector<int16_t> first = Samples16(headless::MixAudio(Frames(500)));
    for (int f = 0; f < 500; ++f) {
        ASSERT_EQ(first[2 * f], ramp[f]) << f;
        ASSERT_EQ(first[2 * f + 1], ramp[f]) << f;
    }
    // Restarted halfway through: the voice starts over instead of going on at frame 500.
    ASSERT_EQ(APlayVoice(voice, wave), kAudioOk);
    std::vector<int16_t> again = Samples16(headless::MixAudio(Frames(2500)));
    EXPECT_EQ(again[0], ramp[0]);
    EXPECT_EQ(again[2 * 1999], ramp[1999]);
    // Played once: silence after its last sample.
    EXPECT_EQ(again[2 * 2000], 0);
    EXPECT_EQ(again.back(), 0);

    ASSERT_EQ(APlayVoice(voice, wave), kAudioOk);
    ASSERT_EQ(AStopVoice(voice), kAudioOk);
    EXPECT_EQ(Peak(headless::MixAudio(Frames(500)), 16), 0);
}

TEST_F(AudioMixerTest, PanningAndVolumeShapeTheTwoSides) {
    Open(kAudioFormatStereo | kAudioFormat16Bit, 22050);
    uint32_t voice = Voice();
    uint32_t wave = LoadWave(MakeWave16(std::vector<int16_t>(4000, 8000), 22050, 1));
    auto sides = [&](int panning, int volume) {
        EXPECT_EQ(APlayVoice(voice, wave), kAudioOk);
        EXPECT_EQ(ASetVoiceVolume(voice, volume), kAudioOk);
        EXPECT_EQ(ASetVoicePanning(voice, panning), kAudioOk);
        std::vector<int16_t> out = Samples16(headless::MixAudio(Frames(100)));
        for (int f = 1; f < 100; ++f) {
            EXPECT_EQ(out[2 * f], out[0]);
            EXPECT_EQ(out[2 * f + 1], out[1]);
        }
        return std::pair<int, int>(out[0], out[1]);
    };
    EXPECT_EQ(sides(128, 64), std::make_pair(8000, 8000));
    EXPECT_EQ(sides(128, 32), std::make_pair(4000, 4000));
    EXPECT_EQ(sides(0, 64), std::make_pair(8000, 0));
    EXPECT_EQ(sides(255, 64), std::make_pair(0, 8000));
    auto [left, right] = sides(64, 64);
    EXPECT_EQ(left, 8000);
    EXPECT_EQ(right, 4000);
    EXPECT_EQ(sides(128, 0), std::make_pair(0, 0));
    // Out of range values are taken as the nearest end.
    EXPECT_EQ(sides(128, 100), std::make_pair(8000, 8000));
}

TEST_F(AudioMixerTest, OutputFormatsHaveTheirByteRatesAndWavesKeepTheirLength) {
    struct Case {
        uint16_t format;
        uint16_t rate;
        int bits;
    };
    for (Case c :
         {Case{0x0100, 22050, 8}, Case{0x0101, 22050, 16}, Case{0x0100, 44100, 8}, Case{0x0101, 44100, 16}}) {
        SCOPED_TRACE(testing::Message() << "rate " << c.rate << " bits " << c.bits);
        headless::ResetAudio();
        Open(c.format, c.rate);
        headless::AudioOutputInfo out = headless::AudioOutput();
        EXPECT_EQ(out.rate, c.rate);
        EXPECT_EQ(out.bits, c.bits);
        EXPECT_EQ(out.channels, 2);
        EXPECT_EQ(out.BytesPerSecond(), c.rate * c.bits / 8 * 2);
        // A tenth of a second recorded at 11025 Hz, 8-bit mono, and at 22050 Hz, 16-bit stereo.
        uint32_t voice = Voice();
        uint32_t low = LoadWave(MakeWave8(std::vector<uint8_t>(1103, 200), 11025, 1), "low.wav");
        uint32_t high = LoadWave(MakeWave16(std::vector<int16_t>(2 * 2205, 9000), 22050, 2), "high.wav");
        for (uint32_t wave : {low, high}) {
            ASSERT_EQ(APlayVoice(voice, wave), kAudioOk);
            Bytes second = headless::MixAudio(out.BytesPerSecond());
            EXPECT_EQ(second.size(), static_cast<size_t>(out.BytesPerSecond()));
            EXPECT_NEAR(SoundingFrames(second, c.bits, 2), c.rate / 10, c.rate / 200);
            EXPECT_GT(Peak(second, c.bits), c.bits == 8 ? 20 : 5000);
        }
        EXPECT_EQ(Peak(headless::MixAudio(out.BytesPerSecond() / 10), c.bits), 0);
    }
}

TEST_F(AudioMixerTest, FilterTakesTheTopOffAndLetsTheBassThrough) {
    std::vector<int16_t> buzz(4000), hum(4000);
    for (int i = 0; i < 4000; ++i) {
        buzz[static_cast<size_t>(i)] = i % 2 ? 16000 : -16000;
        hum[static_cast<size_t>(i)] =
            static_cast<int16_t>(16000 * std::sin(i * 2 * 3.14159265 * 100 / 44100));
    }
    auto energy = [&](uint16_t format, const std::vector<int16_t>& samples) {
        headless::ResetAudio();
        Open(format, 44100);
        uint32_t voice = Voice();
        EXPECT_EQ(APlayVoice(voice, LoadWave(MakeWave16(samples, 44100, 1))), kAudioOk);
        double sum = 0;
        for (int16_t s : Samples16(headless::MixAudio(Frames(4000)))) sum += double(s) * s;
        return sum;
    };
    EXPECT_LT(energy(0x8101, buzz), 0.5 * energy(0x0101, buzz));
    EXPECT_GT(energy(0x8101, hum), 0.95 * energy(0x0101, hum));
}

TEST_F(AudioMixerTest, BadHandlesAndClosedStatesDoNothing) {
    uint32_t untouched = 77;
    // Nothing open yet.
    EXPECT_EQ(AOpenVoices(32), kAudioNotOpen);
    EXPECT_EQ(ACreateAudioVoice(&untouched), kAudioNotOpen);
    EXPECT_EQ(untouched, 77u);
    EXPECT_EQ(ACloseAudio(), kAudioNotOpen);
    EXPECT_EQ(ACloseVoices(), kAudioOk);
    EXPECT_EQ(ASetModuleVolume(10), kAudioNotOpen);
    EXPECT_EQ(AStopModule(), kAudioNotOpen);
    EXPECT_EQ(AOpenAudio(nullptr), kAudioBadArgument);
    AudioOpenInfo odd{kAudioDefaultDevice, 0x0101, 1000};
    EXPECT_EQ(AOpenAudio(&odd), kAudioBadArgument);
    EXPECT_FALSE(headless::AudioOutput().open);
    // Waves and modules load while closed and play once the output is open.
    uint32_t wave = LoadWave(MakeWave16(std::vector<int16_t>(2000, 5000), 22050, 1));
    uint32_t module = LoadModule();
    EXPECT_EQ(APlayModule(module), kAudioNotOpen);

    Open(0x0101, 22050, 1);
    EXPECT_EQ(AOpenVoices(1), kAudioBusy);
    uint32_t voice = Voice();
    uint32_t spare = 5;
    EXPECT_EQ(ACreateAudioVoice(&spare), kAudioNoVoice);
    EXPECT_EQ(spare, 5u);
    EXPECT_EQ(APlayModule(module), kAudioNoVoice); // the one voice is the effect's
    for (uint32_t bad : {0u, wave, module, voice + 1000}) {
        EXPECT_EQ(APlayVoice(bad, wave), kAudioBadHandle);
        EXPECT_EQ(AStopVoice(bad), kAudioBadHandle);
        EXPECT_EQ(ASetVoiceVolume(bad, 64), kAudioBadHandle);
        EXPECT_EQ(ASetVoicePanning(bad, 128), kAudioBadHandle);
        EXPECT_EQ(ADestroyAudioVoice(bad), kAudioBadHandle);
        EXPECT_EQ(AFreeModuleFile(bad == module ? 0 : bad), kAudioBadHandle);
    }
    EXPECT_EQ(APlayVoice(voice, 0), kAudioBadHandle);
    EXPECT_EQ(APlayVoice(voice, module), kAudioBadHandle);
    EXPECT_EQ(Peak(headless::MixAudio(Frames(1000)), 16), 0);

    // Freeing a wave that is playing silences the voice; the handle is then stale.
    ASSERT_EQ(APlayVoice(voice, wave), kAudioOk);
    ASSERT_EQ(AFreeWaveFile(wave), kAudioOk);
    EXPECT_EQ(Peak(headless::MixAudio(Frames(1000)), 16), 0);
    EXPECT_EQ(APlayVoice(voice, wave), kAudioBadHandle);
    EXPECT_EQ(AFreeWaveFile(wave), kAudioBadHandle);

    // Closing twice, and destroying the voice after the pool is gone.
    EXPECT_EQ(ACloseVoices(), kAudioOk);
    EXPECT_EQ(ACloseVoices(), kAudioOk);
    EXPECT_EQ(ADestroyAudioVoice(voice), kAudioNotOpen);
    EXPECT_EQ(APlayVoice(voice, wave), kAudioNotOpen);
    EXPECT_EQ(ACloseAudio(), kAudioOk);
    EXPECT_EQ(ACloseAudio(), kAudioNotOpen);
    EXPECT_TRUE(headless::MixAudio(1000).empty());
    EXPECT_EQ(AFreeModuleFile(module), kAudioOk);

    // The voice pool runs from 1 to 32.
    Open(0x0101, 22050);
    EXPECT_EQ(ACloseVoices(), kAudioOk);
    EXPECT_EQ(AOpenVoices(0), kAudioBadArgument);
    EXPECT_EQ(AOpenVoices(33), kAudioBadArgument);
    EXPECT_EQ(AOpenVoices(32), kAudioOk);
    for (int i = 0; i < 32; ++i) Voice();
    EXPECT_EQ(ACreateAudioVoice(&spare), kAudioNoVoice);
}

TEST_F(AudioMixerTest, BrokenFilesLeaveTheHandleAsItWas) {
    Bytes wave = MakeWave16(std::vector<int16_t>(1000, 3000), 22050, 1);
    Bytes module = MakeModule(4);
    std::mt19937 random(4);
    Bytes garbage(3000);
    for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
    WriteBytes("empty", {});
    WriteBytes("garbage", garbage);
    WriteBytes("short.wav", Bytes(wave.begin(), wave.begin() + 30));
    WriteBytes("short.xm", Bytes(module.begin(), module.begin() + 200));
    std::filesystem::create_directory("folder");
    for (const char* path : {"missing", "empty", "garbage", "short.wav", "short.xm", "folder"}) {
        SCOPED_TRACE(path);
        uint32_t handle = 4242;
        EXPECT_EQ(ALoadWaveFile(path, &handle, 0), kAudioBadFile);
        EXPECT_EQ(ALoadModuleFile(path, &handle, 0), kAudioBadFile);
        EXPECT_EQ(handle, 4242u);
    }
    uint32_t handle = 4242;
    EXPECT_EQ(ALoadWaveFile(nullptr, &handle, 0), kAudioBadFile);
    // A rate of 2 Hz would turn 2000 bytes into hours of sound at the output's rate.
    Bytes slow = wave;
    slow[24] = 2, slow[25] = slow[26] = slow[27] = 0;
    WriteBytes("slow.wav", slow);
    EXPECT_EQ(ALoadWaveFile("slow.wav", &handle, 0), kAudioBadFile);
    EXPECT_EQ(handle, 4242u);
    // One sample at a rate far above the output's resamples to nothing: refused, never copied.
    WriteBytes("blip.wav", MakeWave16({3000}, 327936, 1));
    EXPECT_EQ(ALoadWaveFile("blip.wav", &handle, 0), kAudioBadFile);
    EXPECT_EQ(handle, 4242u);
    // An empty data chunk at a rate that needs converting: nothing to load either.
    WriteBytes("silent.wav", MakeWave16({}, 44100, 1));
    EXPECT_EQ(ALoadWaveFile("silent.wav", &handle, 0), kAudioBadFile);
    EXPECT_EQ(handle, 4242u);
    // A data chunk claiming 4 GB in a cut-off file: what is there plays, nothing huge is made.
    Bytes cut(wave.begin(), wave.begin() + 44 + 600);
    cut[40] = cut[41] = cut[42] = cut[43] = 0xFF;
    WriteBytes("cut.wav", cut);
    EXPECT_EQ(ALoadWaveFile("cut.wav", &handle, 0), kAudioOk);
    Open(0x0101, 22050);
    uint32_t voice = Voice();
    EXPECT_EQ(APlayVoice(voice, handle), kAudioOk);
    EXPECT_EQ(SoundingFrames(headless::MixAudio(Frames(1000)), 16, 2), 300);
    // The same with no RIFF header: the reader takes a file that starts at "WAVE" as well.
    WriteBytes("bare.wav", Bytes(cut.begin() + 8, cut.end()));
    EXPECT_EQ(ALoadWaveFile("bare.wav", &handle, 0), kAudioOk);
    EXPECT_EQ(APlayVoice(voice, handle), kAudioOk);
    EXPECT_EQ(SoundingFrames(headless::MixAudio(Frames(1000)), 16, 2), 300);
    handle = 4242;
    EXPECT_EQ(ALoadWaveFile("short.wav", nullptr, 0), kAudioBadArgument);
    EXPECT_EQ(handle, 4242u);

    // Files found further into a bigger file, by offset; an offset past the end loads nothing.
    Bytes packed(100 + wave.size());
    std::copy(garbage.begin(), garbage.begin() + 100, packed.begin());
    std::copy(wave.begin(), wave.end(), packed.begin() + 100);
    WriteBytes("packed", packed);
    EXPECT_EQ(ALoadWaveFile("packed", &handle, 100), kAudioOk);
    EXPECT_NE(handle, 4242u);
    EXPECT_EQ(ALoadWaveFile("packed", &handle, 0), kAudioBadFile);
    EXPECT_EQ(ALoadWaveFile("packed", &handle, 100000), kAudioBadFile);
    // Backslashes are folder separators.
    std::filesystem::create_directory("sounds");
    WriteBytes("sounds/tune.xm", module);
    uint32_t tune = 0;
    EXPECT_EQ(ALoadModuleFile("sounds\\tune.xm", &tune, 0), kAudioOk);
    EXPECT_NE(tune, 0u);
}

// Random damage to a good file: whatever loads must play and free without trouble.
TEST_F(AudioMixerTest, LoadersSurviveDamagedFiles) {
    Open(0x0101, 22050);
    uint32_t voice = Voice();
    std::mt19937 random(1234);
    auto damage = [&](Bytes bytes) {
        switch (random() % 4) {
        case 0: // flip a few bytes
            for (int i = 0, n = 1 + static_cast<int>(random() % 8); i < n; ++i)
                bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
            break;
        case 1: // cut the tail
            bytes.resize(1 + random() % bytes.size());
            break;
        case 2: // grow a length field
            bytes[4 + random() % 40] = 0xFF;
            break;
        default: // insert junk
            bytes.insert(bytes.begin() + static_cast<long>(random() % bytes.size()), 1 + random() % 64,
                         static_cast<uint8_t>(random()));
        }
        return bytes;
    };
    Bytes wave = MakeWave16(Ramp(500), 22050, 1);
    Bytes module = MakeModule(4);
    int wavesLoaded = 0, modulesLoaded = 0;
    for (int i = 0; i < 200; ++i) {
        WriteBytes("hurt.wav", damage(wave));
        uint32_t handle = 0;
        if (ALoadWaveFile("hurt.wav", &handle, 0) == kAudioOk) {
            ++wavesLoaded;
            EXPECT_EQ(APlayVoice(voice, handle), kAudioOk);
            headless::MixAudio(Frames(256));
            EXPECT_EQ(AFreeWaveFile(handle), kAudioOk);
        } else {
            EXPECT_EQ(handle, 0u);
        }
        WriteBytes("hurt.xm", damage(module));
        handle = 0;
        if (ALoadModuleFile("hurt.xm", &handle, 0) == kAudioOk) {
            ++modulesLoaded;
            APlayModule(handle);
            headless::MixAudio(Frames(2048));
            EXPECT_EQ(AFreeModuleFile(handle), kAudioOk);
        } else {
            EXPECT_EQ(handle, 0u);
        }
    }
    // Some damage is harmless: the loaders were really exercised on both paths.
    EXPECT_GT(wavesLoaded, 0);
    EXPECT_GT(modulesLoaded, 0);
    EXPECT_LT(wavesLoaded, 200);
    EXPECT_LT(modulesLoaded, 200);
}

TEST_F(AudioMixerTest, GameMusicSoundsForAMinute) {
    std::filesystem::path music = std::filesystem::path(TARVEL_GAME_DIR) / "sounds" / "music.xm";
    if (!std::filesystem::exists(music)) GTEST_SKIP() << "the game's music was not built";
    Open(0x0101, 44100);
    Voice(); // the effect voice takes one of the 32, as in the game
    uint32_t module = 0;
    ASSERT_EQ(ALoadModuleFile(music.c_str(), &module, 0), kAudioOk);
    ASSERT_EQ(APlayModule(module), kAudioOk);
    ASSERT_EQ(ASetModuleVolume(64), kAudioOk);
    for (int window = 0; window < 12; ++window) {
        Bytes five = headless::MixAudio(5 * headless::AudioOutput().BytesPerSecond());
        EXPECT_GT(Peak(five, 16), 2000) << "seconds " << window * 5 << " to " << window * 5 + 5;
    }
}
