// Lean: any bytes as a wave file, held in memory: loaded for the smallest output the library
// opens, played for a moment and freed.
#include <cstdint>

#include "platform/headless_audio.h"
#include "platform/held_files.h"
#include "tests/fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::AudioOutput output;
    plat::HoldFile("sounds\\input.wav", data, size);
    uint32_t handle = 0;
    if (plat::ALoadWaveFile("sounds\\input.wav", &handle, 0) == plat::kAudioOk) {
        plat::APlayVoice(output.voice, handle);
        plat::headless::MixAudio(256);
        plat::AFreeWaveFile(handle);
    }
    // The log of calls would keep growing: each input leaves memory as it found it.
    plat::headless::ClearAudioCalls();
    return 0;
}
