// Any bytes as a module file: loaded, played and mixed for a moment, then freed.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/audio.h"
#include "platform/headless_audio.h"

namespace {

struct Output {
    uint32_t voice = 0;
    Output() {
        auto dir =
            std::filesystem::temp_directory_path() / ("tarvel-fuzz-module-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        std::filesystem::current_path(dir);
        plat::AudioOpenInfo info{plat::kAudioDefaultDevice, 0x8101, 22050};
        plat::AOpenAudio(&info);
        plat::AOpenVoices(32);
        plat::ACreateAudioVoice(&voice);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Output output;
    FILE* f = std::fopen("input.xm", "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    uint32_t handle = 0;
    if (plat::ALoadModuleFile("input.xm", &handle, 0) != plat::kAudioOk) return 0;
    plat::APlayModule(handle);
    plat::headless::MixAudio(16384);
    plat::AFreeModuleFile(handle);
    return 0;
}
