// What the fuzz targets share: a scratch directory of their own as the working directory (the
// game reads and writes relative to it), writing the input there as a file, and an open audio
// output with one voice for the sound loaders.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/audio.h"

namespace fuzz {

// Makes /tmp/tarvel-fuzz-<name>-<pid> (with the given sub-folder) and enters it. Each process has
// its own, so parallel fuzzing jobs never share files.
inline void EnterScratch(const std::string& name, const std::string& subFolder = {}) {
    auto dir =
        std::filesystem::temp_directory_path() / ("tarvel-fuzz-" + name + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(subFolder.empty() ? dir : dir / subFolder);
    std::filesystem::current_path(dir);
}

// Replaces the file with exactly these bytes; false when it cannot be written.
inline bool WriteInput(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// The audio library open with 32 voices, one voice taken.
struct AudioOutput {
    uint32_t voice = 0;
    // As the game opens it (8-bit 22050 Hz stereo, filtered), in a scratch directory of that name.
    explicit AudioOutput(const std::string& scratchName)
        : AudioOutput(plat::AudioOpenInfo{plat::kAudioDefaultDevice, 0x8101, 22050}) {
        EnterScratch(scratchName);
    }
    // At the smallest output the library opens (8-bit 8000 Hz mono): converting a wave costs least.
    AudioOutput() : AudioOutput(plat::AudioOpenInfo{plat::kAudioDefaultDevice, 0x0000, 8000}) {}

  private:
    explicit AudioOutput(plat::AudioOpenInfo info) {
        plat::AOpenAudio(&info);
        plat::AOpenVoices(32);
        plat::ACreateAudioVoice(&voice);
    }
};

} // namespace fuzz
