// Any bytes as a wave file: loaded, played on a voice and mixed, then freed.
#include <cstdint>

#include "platform/headless_audio.h"
#include "tests/fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::AudioOutput output("wave");
    if (!fuzz::WriteInput("input.wav", data, size)) return 0;
    uint32_t handle = 0;
    if (plat::ALoadWaveFile("input.wav", &handle, 0) != plat::kAudioOk) return 0;
    plat::APlayVoice(output.voice, handle);
    plat::headless::MixAudio(8192);
    plat::AFreeWaveFile(handle);
    return 0;
}
