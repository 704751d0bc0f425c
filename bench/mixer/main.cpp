// What mixing costs: seconds of CPU per second of sound, as a share of one core, at 44100 Hz
// stereo 16-bit, mixed in the blocks the SDL output asks for.
//
//   mixer_bench [MODULE]   MODULE defaults to a small generated tune; pass sounds/music.xm for the game's
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/headless_audio.h"
#include "tests/sound_files.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 20;
constexpr int kBlockBytes = 1024 * 4; // the SDL output's block at 44100 Hz

void Open(uint16_t format) {
    plat::headless::ResetAudio();
    plat::AudioOpenInfo info{plat::kAudioDefaultDevice, format, kRate};
    plat::AOpenAudio(&info);
    plat::AOpenVoices(32);
}

double MixShare() {
    auto start = std::chrono::steady_clock::now();
    int blocks = kSeconds * kRate * 4 / kBlockBytes;
    for (int i = 0; i < blocks; ++i) plat::headless::MixAudio(kBlockBytes);
    double cpu = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double share = cpu / (static_cast<double>(blocks) * kBlockBytes / (kRate * 4.0));
    // What was mixed must have been sound, or the figure means nothing.
    if (sound_files::Peak(plat::headless::MixAudio(kBlockBytes), 16) < 1000) std::printf("(silent!) ");
    return share;
}

uint32_t LongWave() {
    // Noise at 22050 Hz mono, longer than the run, so all voices sound throughout.
    std::mt19937 random(1);
    std::vector<int16_t> noise(22050 * (kSeconds + 1));
    for (int16_t& s : noise) s = static_cast<int16_t>(static_cast<int>(random() % 8000) - 4000);
    sound_files::WriteBytes("/tmp/tarvel-mixer-bench.wav", sound_files::MakeWave16(noise, 22050, 1));
    uint32_t wave = 0;
    plat::ALoadWaveFile("/tmp/tarvel-mixer-bench.wav", &wave, 0);
    std::remove("/tmp/tarvel-mixer-bench.wav");
    return wave;
}

void Voices(uint16_t format, const char* label) {
    Open(format);
    uint32_t wave = LongWave();
    for (int i = 0; i < 32; ++i) {
        uint32_t voice = 0;
        plat::ACreateAudioVoice(&voice);
        plat::APlayVoice(voice, wave);
        plat::ASetVoiceVolume(voice, 32);
        plat::ASetVoicePanning(voice, i * 255 / 31);
    }
    std::printf("%-44s %6.2f %% of one core\n", label, 100 * MixShare());
}

void Music(const std::string& path, const char* label) {
    Open(0x8101);
    uint32_t voice = 0, module = 0;
    plat::ACreateAudioVoice(&voice);
    if (plat::ALoadModuleFile(path.c_str(), &module, 0) != plat::kAudioOk ||
        plat::APlayModule(module) != plat::kAudioOk) {
        std::printf("%-44s does not play\n", path.c_str());
        return;
    }
    plat::APlayVoice(voice, LongWave());
    std::printf("%-44s %6.2f %% of one core\n", label, 100 * MixShare());
}

} // namespace

int main(int argc, char** argv) {
    std::string module = "/tmp/tarvel-mixer-bench.xm";
    if (argc > 1) {
        module = argv[1];
    } else {
        sound_files::WriteBytes(module, sound_files::MakeModule(8));
    }
    std::printf("mixing %d s of 44100 Hz stereo 16-bit output in %d-byte blocks\n", kSeconds, kBlockBytes);
    Voices(0x0101, "32 effect voices");
    Voices(0x8101, "32 effect voices, output filter on");
    Music(module, ("module " + module + " + 1 effect").c_str());
    if (argc <= 1) std::remove(module.c_str());
    plat::headless::ResetAudio();
    return 0;
}
