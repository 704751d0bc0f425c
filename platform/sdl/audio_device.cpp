// The real output: an SDL audio device whose callback pulls from the mixer on SDL's audio thread.
// SDL holds the device lock while the callback runs, so the library's changes take that lock.
#include <SDL.h>

#include "platform/core/audio_device.h"

namespace plat::audio {
namespace {

void Pull(void*, Uint8* stream, int len) {
    MixOutput(stream, len);
}

// Owns the audio subsystem and the device for as long as the output is open.
struct Device {
    SDL_AudioDeviceID id = 0;
    bool subsystem = false;

    bool Open(const OutputFormat& format) {
        Close();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        subsystem = true;
        SDL_AudioSpec want{};
        want.freq = format.rate;
        want.format = format.bits == 16 ? AUDIO_S16SYS : AUDIO_U8;
        want.channels = static_cast<Uint8>(format.channels);
        // About 23 ms at either rate: short enough that an effect lands with its explosion.
        want.samples = format.rate > 30000 ? 1024 : 512;
        want.callback = Pull;
        // No changes allowed: SDL converts to whatever the hardware takes.
        id = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (id == 0) {
            Close();
            return false;
        }
        SDL_PauseAudioDevice(id, 0);
        return true;
    }
    void Close() {
        if (id) SDL_CloseAudioDevice(id);
        id = 0;
        if (subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem = false;
    }
    Device() = default;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    ~Device() { Close(); }
};

Device device;

} // namespace

bool OpenOutput(const OutputFormat& format) {
    return device.Open(format);
}
void CloseOutput() {
    device.Close();
}
void LockOutput() {
    if (device.id) SDL_LockAudioDevice(device.id);
}
void UnlockOutput() {
    if (device.id) SDL_UnlockAudioDevice(device.id);
}
bool RecordsCalls() {
    return false;
}
void RecordCall(std::string) {}

} // namespace plat::audio
