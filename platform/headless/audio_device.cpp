// The headless output: no sound card, the mixer runs when a test asks for bytes.
#include <mutex>

#include "platform/core/audio_device.h"
#include "platform/headless_audio.h"

namespace plat {
namespace {
std::mutex outputMutex;
constexpr size_t kKeptCalls = 50000;
std::vector<std::string> calls;
headless::AudioOutputInfo output{false, 0, 0, 0};
bool failOpen = false;
} // namespace

namespace audio {
bool OpenOutput(const OutputFormat& format) {
    if (failOpen) return false;
    std::lock_guard guard(outputMutex);
    output = {true, format.rate, format.bits, format.channels};
    return true;
}
void CloseOutput() {
    std::lock_guard guard(outputMutex);
    output.open = false;
}
void LockOutput() {
    outputMutex.lock();
}
void UnlockOutput() {
    outputMutex.unlock();
}
bool RecordsCalls() {
    return true;
}
void RecordCall(std::string call) {
    // Long simulated runs play effects for hours: keep the recent calls only.
    if (calls.size() >= 2 * kKeptCalls) calls.erase(calls.begin(), calls.begin() + kKeptCalls);
    calls.push_back(std::move(call));
}
} // namespace audio

namespace headless {
const std::vector<std::string>& AudioCalls() {
    return calls;
}
void ClearAudioCalls() {
    calls.clear();
}
AudioOutputInfo AudioOutput() {
    std::lock_guard guard(outputMutex);
    return output;
}
std::vector<uint8_t> MixAudio(int bytes) {
    std::lock_guard guard(outputMutex);
    if (!output.open || bytes <= 0) return {};
    std::vector<uint8_t> out(static_cast<size_t>(bytes));
    audio::MixOutput(out.data(), bytes);
    return out;
}
void FailAudioOutput(bool fail) {
    failOpen = fail;
}
void ResetAudio() {
    audio::ResetLibrary();
    failOpen = false;
    calls.clear();
}
} // namespace headless

} // namespace plat
