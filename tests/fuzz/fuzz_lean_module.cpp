// Lean: any bytes as a module file, held in memory: loaded and freed.
#include <cstdint>

#include "platform/headless_audio.h"
#include "platform/held_files.h"
#include "tests/fuzz/fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::AudioOutput output;
    plat::HoldFile("sounds\\input.xm", data, size);
    uint32_t handle = 0;
    if (plat::ALoadModuleFile("sounds\\input.xm", &handle, 0) == plat::kAudioOk) {
        plat::AFreeModuleFile(handle);
    }
    // The log of calls would keep growing: each input leaves memory as it found it.
    plat::headless::ClearAudioCalls();
    return 0;
}
