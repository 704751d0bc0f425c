// Plays a module and four effects through the real audio output for a few seconds, so the whole
// path from file to sound card can be heard (or, under SDL's disk driver, checked in a file).
//
//   sounddemo [--seconds N] [--rate HZ] [--bits 8|16] [--filter] [--music-only]
//             MODULE KABOOM JIHA KLICK MISSIL
//   sounddemo --measure FILE BITS RATE SECONDS   checks raw stereo output: its length and that it sounds
//   sounddemo --write-test-sounds DIR            writes a small module and four waves to play
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/audio.h"
#include "tests/sound_files.h"

namespace {

int Measure(const char* path, int bits, int rate, double seconds) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    double expected = seconds * rate * bits / 8 * 2;
    int peak = sound_files::Peak(bytes, bits);
    std::printf("%s: %zu bytes (%.0f expected for %.1f s), peak %d\n", path, bytes.size(), expected, seconds,
                peak);
    bool lengthOk = bytes.size() > expected * 0.5 && bytes.size() < expected * 1.2;
    bool sounds = peak > (bits == 8 ? 8 : 2000);
    if (!lengthOk) std::printf("the output is not as long as the time played\n");
    if (!sounds) std::printf("the output is silent\n");
    return lengthOk && sounds ? 0 : 1;
}

int WriteTestSounds(const std::string& dir) {
    sound_files::WriteBytes(dir + "/music.xm", sound_files::MakeModule(8));
    std::vector<int16_t> buzz(11025);
    for (size_t i = 0; i < buzz.size(); ++i)
        buzz[i] =
            static_cast<int16_t>((i / 25 % 2 ? 9000 : -9000) * static_cast<int>(buzz.size() - i) / 11025);
    for (const char* name : {"kaboom", "jiha", "klick", "missil"})
        sound_files::WriteBytes(dir + "/" + name + ".wav", sound_files::MakeWave16(buzz, 22050, 1));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "--measure") == 0)
        return Measure(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atof(argv[5]));
    if (argc == 3 && std::strcmp(argv[1], "--write-test-sounds") == 0) return WriteTestSounds(argv[2]);

    double seconds = 5;
    int rate = 44100, bits = 16;
    bool filter = false, musicOnly = false;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (arg == "--rate" && i + 1 < argc)
            rate = std::atoi(argv[++i]);
        else if (arg == "--bits" && i + 1 < argc)
            bits = std::atoi(argv[++i]);
        else if (arg == "--filter")
            filter = true;
        else if (arg == "--music-only")
            musicOnly = true;
        else
            files.push_back(argv[i]);
    }
    if (files.size() != 5) {
        std::fprintf(stderr,
                     "usage: sounddemo [--seconds N] [--rate HZ] [--bits 8|16] [--filter] [--music-only] "
                     "MODULE KABOOM JIHA KLICK MISSIL\n");
        return 2;
    }

    plat::AInitialize();
    uint16_t format = plat::kAudioFormatStereo;
    if (bits == 16) format |= plat::kAudioFormat16Bit;
    if (filter) format |= plat::kAudioFormatFilter;
    plat::AudioOpenInfo info{plat::kAudioDefaultDevice, format, static_cast<uint16_t>(rate)};
    if (plat::AOpenAudio(&info) != plat::kAudioOk) {
        std::fprintf(stderr, "sounddemo: the audio output could not be opened\n");
        return 1;
    }
    plat::AOpenVoices(32);
    uint32_t voice = 0, module = 0;
    plat::ACreateAudioVoice(&voice);
    if (plat::ALoadModuleFile(files[0], &module, 0) != plat::kAudioOk)
        std::fprintf(stderr, "sounddemo: %s does not load\n", files[0]);
    int played = plat::APlayModule(module);
    plat::ASetModuleVolume(plat::kAudioMaxVolume);
    uint32_t effects[4] = {};
    for (int i = 0; i < 4; ++i)
        if (plat::ALoadWaveFile(files[1 + i], &effects[i], 0) != plat::kAudioOk)
            std::fprintf(stderr, "sounddemo: %s does not load\n", files[1 + i]);
    std::printf("playing %s (%s) at %d Hz, %d-bit%s for %.1f s\n", files[0],
                played == plat::kAudioOk ? "ok" : "silent", rate, bits, filter ? ", filtered" : "", seconds);

    // An effect every 700 ms in turn, the way the game fires them over its music.
    auto start = std::chrono::steady_clock::now();
    for (int step = 0;; ++step) {
        auto next = start + std::chrono::milliseconds(700 * step);
        if (musicOnly || std::chrono::duration<double>(next - start).count() >= seconds) break;
        std::this_thread::sleep_until(next);
        plat::AStopVoice(voice);
        plat::APlayVoice(voice, effects[step % 4]);
        plat::ASetVoiceVolume(voice, plat::kAudioMaxVolume);
        plat::ASetVoicePanning(voice, plat::kAudioPanCentre);
    }
    std::this_thread::sleep_until(start + std::chrono::duration<double>(seconds));

    plat::ADestroyAudioVoice(voice);
    plat::ACloseVoices();
    plat::AStopModule();
    plat::AFreeModuleFile(module);
    for (uint32_t effect : effects) plat::AFreeWaveFile(effect);
    plat::ACloseAudio();
    return 0;
}
