// The audio library: a mixing device, a voice pool, one tracker-module player and loaded waves.
//
// Handles are opaque non-zero 32-bit values written through out-parameters; a call handed a zero,
// stale or freed handle, or made while the device or the voices are closed, does nothing and
// returns an error code. Mixing runs in the background once the device is open; there is no
// update call. Every operation may be called from any thread.
#pragma once
#include <cstdint>

namespace plat {

// What every operation returns. The game ignores them; tests and tools read them.
enum AudioResult : int {
    kAudioOk = 0,
    kAudioNotOpen,     // the device or the voices are not open
    kAudioBadHandle,   // zero, stale or freed handle
    kAudioBadArgument, // null pointer, bad format or rate
    kAudioNoDevice,    // the output device could not be opened
    kAudioNoVoice,     // no free voice left in the pool
    kAudioBadFile,     // missing, unreadable or not a module/wave we can play
    kAudioBusy,        // already open
};

// Format bits of the open record.
constexpr uint16_t kAudioFormat16Bit = 0x0001;  // else 8-bit samples
constexpr uint16_t kAudioFormatStereo = 0x0100; // else mono
constexpr uint16_t kAudioFormatFilter = 0x8000; // gentle low-pass on the output
// The selector for the default output device.
constexpr uint32_t kAudioDefaultDevice = 0xFFFF;

#pragma pack(push, 1)
// Handed to AOpenAudio by address: 8 bytes, little-endian.
struct AudioOpenInfo {
    uint32_t deviceId;
    uint16_t format;
    uint16_t sampleRate;
};
#pragma pack(pop)
static_assert(sizeof(AudioOpenInfo) == 8);

// Volumes run 0..64 (64 full, 0 silent; values outside are clamped); panning 0..255, 128 centred.
constexpr int kAudioMaxVolume = 64;
constexpr int kAudioPanCentre = 128;

// Prepares the library; AOpenAudio does it itself when it has not been done.
int AInitialize();
// Opens the output at the record's rate (22050 or 44100, or anything from 8000 to 48000) and format.
int AOpenAudio(const AudioOpenInfo* info);
// Closes the voices (when still open), stops the module and closes the output. Loaded modules and
// waves stay loaded and valid for the next open.
int ACloseAudio();

// Opens a pool of count voices (1..32). The module player takes one voice per module channel
// when it starts playing; ACreateAudioVoice reserves one at a time.
int AOpenVoices(int count);
// Releases every voice and stops the module. Accepted when already closed.
int ACloseVoices();
int ACreateAudioVoice(uint32_t* voice);
int ADestroyAudioVoice(uint32_t voice);

// Loads the module file whole, starting offset bytes into the file; on failure *module is untouched.
int ALoadModuleFile(const char* path, uint32_t* module, uint32_t offset);
int AFreeModuleFile(uint32_t module);
// Starts the module from its beginning; it plays in the background and loops at its end.
int APlayModule(uint32_t module);
int AStopModule();
int ASetModuleVolume(int volume);

// Loads a WAV file whole, starting offset bytes into the file, and converts it once to the output
// format; on failure *wave is untouched.
int ALoadWaveFile(const char* path, uint32_t* wave, uint32_t offset);
int AFreeWaveFile(uint32_t wave);
// Plays the wave once from its first sample, cutting off whatever the voice played.
int APlayVoice(uint32_t voice, uint32_t wave);
int AStopVoice(uint32_t voice);
int ASetVoiceVolume(uint32_t voice, int volume);
int ASetVoicePanning(uint32_t voice, int panning);

} // namespace plat
