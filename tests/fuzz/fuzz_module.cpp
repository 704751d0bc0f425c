// Any bytes as a module file: loaded, played and mixed for a moment, then freed.
#include <cstdint>

#include "platform/headless_audio.h"
#include "tests/fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::AudioOutput output("module");
    if (!fuzz::WriteInput("input.xm", data, size)) return 0;
    uint32_t handle = 0;
    if (plat::ALoadModuleFile("input.xm", &handle, 0) != plat::kAudioOk) return 0;
    plat::APlayModule(handle);
    plat::headless::MixAudio(16384);
    plat::AFreeModuleFile(handle);
    return 0;
}
