// Controls of the headless audio output, for tests and tools: the log of library calls and the
// mixed output, pulled on demand instead of by a sound card.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat::headless {

// The audio library calls since the last clear, oldest first, e.g. "AOpenVoices(32)"; only the
// latest 50000 or more are kept.
const std::vector<std::string>& AudioCalls();
void ClearAudioCalls();

struct AudioOutputInfo {
    bool open;
    int rate;     // frames per second
    int bits;     // 8 or 16
    int channels; // 1 or 2
    int BytesPerSecond() const { return rate * bits / 8 * channels; }
};
// The output as the last successful open left it (open false once closed).
AudioOutputInfo AudioOutput();
// The next bytes the output would play, in its format; empty while it is closed.
std::vector<uint8_t> MixAudio(int bytes);
// While set, opening the output fails, as on a machine without sound.
void FailAudioOutput(bool fail);
// Closes the output and frees every module and wave, then clears the log.
void ResetAudio();

} // namespace plat::headless
