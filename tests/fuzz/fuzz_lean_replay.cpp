// Lean: any bytes as a replay file, read as watching one reads it. What is read must write out and
// read back to the same replay.
#include <cstdint>
#include <string>

#include "replay/file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    replay::Replay first, second;
    std::string error;
    if (!replay::ReadReplay(text, first, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    std::string written = replay::WriteReplay(first);
    if (!replay::ReadReplay(written, second, error) || replay::WriteReplay(second) != written)
        __builtin_trap();
    return 0;
}
