// The audio library over libxmp and SDL's WAV reader, mixing into whichever output the back end
// opens. State changes happen under the library's own mutex (callers on several threads) and,
// while the output is open, under the output lock too (the output mixes on a thread of its own).
#include <SDL.h>
#include <xmp.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

#include "platform/audio.h"
#include "platform/core/audio_device.h"
#include "platform/files.h"
#include "platform/held_files.h"

namespace plat {
namespace {

using audio::OutputFormat;
using audio::OutputLock;

constexpr int kMaxVoices = 32;
constexpr int kChunkFrames = 1024;
// Waves the loader takes: effects are short, and anything outside this is a damaged file.
constexpr int kMinWaveRate = 1000;
constexpr int kMaxWaveRate = 384000;
constexpr int kMaxWaveSeconds = 120;
// The output filter's corner: takes the edge off the top end without dulling the music.
constexpr double kFilterCornerHz = 6000.0;

struct Wave {
    // The PCM as the file held it, kept so a reopen in another format can convert again.
    std::vector<uint8_t> source;
    SDL_AudioFormat sourceFormat = 0;
    int sourceChannels = 0;
    int sourceRate = 0;
    // Ready to mix: 16-bit at the output's rate and channel count.
    std::vector<int16_t> samples;
    size_t frames = 0;
    OutputFormat madeFor{};
};

struct Module {
    xmp_context context = nullptr;
    int channels = 0;
    ~Module() {
        if (!context) return;
        xmp_release_module(context);
        xmp_free_context(context);
    }
};

struct Voice {
    uint32_t handle = 0; // 0 = free in the pool
    const Wave* wave = nullptr;
    size_t position = 0; // next frame
    int volume = kAudioMaxVolume;
    int panning = kAudioPanCentre;
};

struct Library {
    std::mutex mutex;
    bool initialized = false;
    bool outputOpen = false;
    OutputFormat format{22050, 16, 2};
    bool filter = false;
    double filterCoefficient = 0;
    double filterState[2] = {0, 0};

    bool voicesOpen = false;
    int voiceCount = 0;
    Voice voices[kMaxVoices];

    std::map<uint32_t, std::unique_ptr<Module>> modules;
    std::map<uint32_t, std::unique_ptr<Wave>> waves;
    uint32_t nextHandle = 1;

    Module* playing = nullptr; // the module the player is running, if any
    int moduleVoices = 0;      // voices the playing module holds
    int moduleVolume = kAudioMaxVolume;

    int32_t mix[kChunkFrames * 2];
    int16_t moduleBuffer[kChunkFrames * 2];
};

Library& Lib() {
    static Library library;
    return library;
}

uint32_t NewHandle(Library& lib) {
    uint32_t handle = lib.nextHandle++;
    if (lib.nextHandle == 0) lib.nextHandle = 1;
    return handle;
}

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...) {
    if (!audio::RecordsCalls()) return;
    char text[1200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    audio::RecordCall(text);
}

int ClampVolume(int volume) {
    return std::clamp(volume, 0, kAudioMaxVolume);
}

Voice* FindVoice(Library& lib, uint32_t handle) {
    if (!lib.voicesOpen || handle == 0) return nullptr;
    for (int i = 0; i < lib.voiceCount; ++i)
        if (lib.voices[i].handle == handle) return &lib.voices[i];
    return nullptr;
}

int FreeVoices(const Library& lib) {
    int used = lib.moduleVoices;
    for (int i = 0; i < lib.voiceCount; ++i) used += lib.voices[i].handle != 0;
    return lib.voiceCount - used;
}

// SDL's WAV reader allocates what a chunk header claims before reading it; a damaged header can
// claim gigabytes. Chunks running past the end of the file are cut to what the file holds. The
// reader also takes a file with no RIFF header, whose chunks follow "WAVE" at once.
void TrimRiffChunks(std::vector<uint8_t>& bytes) {
    auto get = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, bytes.data() + at, 4);
        return SDL_SwapLE32(v);
    };
    auto put = [&](size_t at, uint32_t v) {
        v = SDL_SwapLE32(v);
        std::memcpy(bytes.data() + at, &v, 4);
    };
    if (bytes.size() < 12) return;
    size_t at = 4;
    if (std::memcmp(bytes.data(), "RIFF", 4) == 0) {
        if (get(4) > bytes.size() - 8) put(4, static_cast<uint32_t>(bytes.size() - 8));
        at = 12;
    }
    while (at + 8 <= bytes.size()) {
        size_t length = get(at + 4);
        size_t room = bytes.size() - at - 8;
        if (length > room) {
            put(at + 4, static_cast<uint32_t>(room));
            break;
        }
        at += 8 + length + (length & 1);
    }
}

// Converts the wave's PCM to 16-bit at the output's rate and channels. 16-bit at the output's rate
// only needs its channels matched, which keeps those waves sample-exact.
bool Convert(Wave& wave, const OutputFormat& to) {
    wave.samples.clear();
    wave.frames = 0;
    wave.madeFor = to;
    // No sound data at all plays as nothing (and gives the converter no buffer to read).
    if (wave.source.empty()) return false;
    std::vector<int16_t> out;
    size_t toChannels = static_cast<size_t>(to.channels);
    if (wave.sourceFormat == AUDIO_S16SYS && wave.sourceRate == to.rate && wave.sourceChannels <= 2) {
        size_t fromChannels = static_cast<size_t>(wave.sourceChannels);
        size_t frames = wave.source.size() / (2 * fromChannels);
        out.resize(frames * toChannels);
        for (size_t f = 0; f < frames; ++f) {
            int16_t in[2];
            std::memcpy(in, wave.source.data() + 2 * fromChannels * f, 2 * fromChannels);
            if (fromChannels == toChannels) {
                for (size_t c = 0; c < toChannels; ++c) out[f * toChannels + c] = in[c];
            } else if (toChannels == 2) {
                out[2 * f] = out[2 * f + 1] = in[0];
            } else {
                out[f] = static_cast<int16_t>((in[0] + in[1]) / 2);
            }
        }
    } else {
        SDL_AudioCVT cvt;
        if (SDL_BuildAudioCVT(&cvt, wave.sourceFormat, static_cast<Uint8>(wave.sourceChannels),
                              wave.sourceRate, AUDIO_S16SYS, static_cast<Uint8>(to.channels), to.rate) < 0)
            return false;
        std::vector<uint8_t> buffer(wave.source.size() * static_cast<size_t>(std::max(cvt.len_mult, 1)) + 16);
        std::memcpy(buffer.data(), wave.source.data(), wave.source.size());
        cvt.buf = buffer.data();
        cvt.len = static_cast<int>(wave.source.size());
        if (cvt.needed && SDL_ConvertAudio(&cvt) != 0) return false;
        int bytes = cvt.needed ? cvt.len_cvt : cvt.len;
        out.resize(static_cast<size_t>(bytes) / sizeof(int16_t));
        // Less than one sample after resampling leaves nothing to copy (and no buffer to copy to).
        if (!out.empty()) std::memcpy(out.data(), buffer.data(), out.size() * sizeof(int16_t));
    }
    // A wave that cannot be made to fit the output plays as nothing rather than in the wrong shape.
    size_t frames = out.size() / toChannels;
    if (frames == 0) return false;
    out.resize(frames * toChannels);
    wave.samples = std::move(out);
    wave.frames = frames;
    return true;
}

void StopPlayer(Library& lib) {
    if (!lib.playing) return;
    xmp_end_player(lib.playing->context);
    lib.playing = nullptr;
    lib.moduleVoices = 0;
}

void CloseVoicesLocked(Library& lib) {
    StopPlayer(lib);
    for (Voice& voice : lib.voices) voice = Voice{};
    lib.voiceCount = 0;
    lib.voicesOpen = false;
}

void MixModule(Library& lib, int frames) {
    if (!lib.playing || lib.moduleVolume == 0) return;
    int bytes = frames * 2 * static_cast<int>(sizeof(int16_t));
    if (xmp_play_buffer(lib.playing->context, lib.moduleBuffer, bytes, 0) != 0) return;
    int channels = lib.format.channels;
    for (int f = 0; f < frames; ++f) {
        int32_t left = lib.moduleBuffer[2 * f] * lib.moduleVolume >> 6;
        int32_t right = lib.moduleBuffer[2 * f + 1] * lib.moduleVolume >> 6;
        if (channels == 2) {
            lib.mix[2 * f] += left;
            lib.mix[2 * f + 1] += right;
        } else {
            lib.mix[f] += (left + right) / 2;
        }
    }
}

// Balance: the centre plays both sides at full level, each end silences the other side.
int PanGain(int panning, bool right) {
    if (right) return panning >= kAudioPanCentre ? 128 : panning;
    return panning <= kAudioPanCentre ? 128 : (255 - panning) * 128 / 127;
}

void MixVoice(Library& lib, Voice& voice, int frames) {
    if (!voice.wave) return;
    const Wave& wave = *voice.wave;
    size_t left = wave.frames - voice.position;
    int count = static_cast<int>(std::min<size_t>(left, static_cast<size_t>(frames)));
    int channels = lib.format.channels;
    const int16_t* src = wave.samples.data() + voice.position * static_cast<size_t>(channels);
    if (channels == 2) {
        int32_t gainLeft = voice.volume * PanGain(voice.panning, false);
        int32_t gainRight = voice.volume * PanGain(voice.panning, true);
        for (int f = 0; f < count; ++f) {
            lib.mix[2 * f] += src[2 * f] * gainLeft >> 13;
            lib.mix[2 * f + 1] += src[2 * f + 1] * gainRight >> 13;
        }
    } else {
        for (int f = 0; f < count; ++f) lib.mix[f] += src[f] * voice.volume >> 6;
    }
    voice.position += static_cast<size_t>(count);
    if (voice.position >= wave.frames) voice.wave = nullptr;
}

void WriteOutput(Library& lib, uint8_t* out, int frames) {
    int samples = frames * lib.format.channels;
    for (int i = 0; i < samples; ++i) {
        double value = lib.mix[i];
        if (lib.filter) {
            double& state = lib.filterState[i % lib.format.channels];
            state += lib.filterCoefficient * (value - state);
            value = state;
        }
        int32_t sample = static_cast<int32_t>(std::clamp(value, -32768.0, 32767.0));
        if (lib.format.bits == 16) {
            int16_t s = static_cast<int16_t>(sample);
            std::memcpy(out + 2 * i, &s, 2);
        } else {
            out[i] = static_cast<uint8_t>((sample >> 8) + 128);
        }
    }
}

} // namespace

namespace audio {

void MixOutput(uint8_t* out, int bytes) {
    Library& lib = Lib();
    int frameBytes = lib.format.FrameBytes();
    uint8_t silence = lib.format.bits == 8 ? 0x80 : 0;
    if (!lib.outputOpen) {
        std::memset(out, silence, static_cast<size_t>(bytes));
        return;
    }
    int frames = bytes / frameBytes;
    while (frames > 0) {
        int chunk = std::min(frames, kChunkFrames);
        std::fill_n(lib.mix, chunk * lib.format.channels, 0);
        MixModule(lib, chunk);
        for (int i = 0; i < lib.voiceCount; ++i) MixVoice(lib, lib.voices[i], chunk);
        WriteOutput(lib, out, chunk);
        out += chunk * frameBytes;
        frames -= chunk;
    }
    std::memset(out, silence, static_cast<size_t>(bytes % frameBytes));
}

void ResetLibrary() {
    ACloseAudio();
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    CloseVoicesLocked(lib);
    lib.modules.clear();
    lib.waves.clear();
    lib.initialized = false;
    lib.format = OutputFormat{22050, 16, 2};
    lib.moduleVolume = kAudioMaxVolume;
}

} // namespace audio

int AInitialize() {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("AInitialize()");
    lib.initialized = true;
    return kAudioOk;
}

int AOpenAudio(const AudioOpenInfo* info) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    if (!info) {
        Log("AOpenAudio(null)");
        return kAudioBadArgument;
    }
    AudioOpenInfo open;
    std::memcpy(&open, info, sizeof open);
    Log("AOpenAudio(0x%X, 0x%04X, %u)", open.deviceId, open.format, open.sampleRate);
    if (lib.outputOpen) return kAudioBusy;
    if (open.sampleRate < 8000 || open.sampleRate > 48000) return kAudioBadArgument;
    lib.initialized = true;
    lib.format = OutputFormat{open.sampleRate, open.format & kAudioFormat16Bit ? 16 : 8,
                              open.format & kAudioFormatStereo ? 2 : 1};
    lib.filter = (open.format & kAudioFormatFilter) != 0;
    lib.filterCoefficient = 1.0 - std::exp(-2.0 * std::numbers::pi * kFilterCornerHz / lib.format.rate);
    lib.filterState[0] = lib.filterState[1] = 0;
    lib.moduleVolume = kAudioMaxVolume;
    // Waves follow the output's format here, once, so playing one never converts anything.
    for (auto& [handle, wave] : lib.waves)
        if (!(wave->madeFor == lib.format)) Convert(*wave, lib.format);
    if (!audio::OpenOutput(lib.format)) return kAudioNoDevice;
    lib.outputOpen = true;
    return kAudioOk;
}

int ACloseAudio() {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ACloseAudio()");
    if (!lib.outputOpen) return kAudioNotOpen;
    {
        OutputLock lock;
        lib.outputOpen = false;
        CloseVoicesLocked(lib);
    }
    audio::CloseOutput();
    return kAudioOk;
}

int AOpenVoices(int count) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("AOpenVoices(%d)", count);
    if (!lib.outputOpen) return kAudioNotOpen;
    if (lib.voicesOpen) return kAudioBusy;
    if (count < 1 || count > kMaxVoices) return kAudioBadArgument;
    OutputLock lock;
    lib.voiceCount = count;
    lib.voicesOpen = true;
    return kAudioOk;
}

int ACloseVoices() {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ACloseVoices()");
    OutputLock lock;
    CloseVoicesLocked(lib);
    return kAudioOk;
}

int ACreateAudioVoice(uint32_t* voice) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ACreateAudioVoice()");
    if (!voice) return kAudioBadArgument;
    if (!lib.voicesOpen) return kAudioNotOpen;
    if (FreeVoices(lib) <= 0) return kAudioNoVoice;
    OutputLock lock;
    for (int i = 0; i < lib.voiceCount; ++i) {
        if (lib.voices[i].handle) continue;
        lib.voices[i] = Voice{};
        lib.voices[i].handle = NewHandle(lib);
        *voice = lib.voices[i].handle;
        return kAudioOk;
    }
    return kAudioNoVoice;
}

int ADestroyAudioVoice(uint32_t voice) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ADestroyAudioVoice(%u)", voice);
    Voice* found = FindVoice(lib, voice);
    if (!found) return lib.voicesOpen ? kAudioBadHandle : kAudioNotOpen;
    OutputLock lock;
    *found = Voice{};
    return kAudioOk;
}

int ALoadModuleFile(const char* path, uint32_t* module, uint32_t offset) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ALoadModuleFile(\"%s\", %u)", path ? path : "(null)", offset);
    if (!module) return kAudioBadArgument;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, offset, bytes)) return kAudioBadFile;
    auto loaded = std::make_unique<Module>();
    loaded->context = xmp_create_context();
    if (!loaded->context) return kAudioBadFile;
    if (xmp_load_module_from_memory(loaded->context, bytes.data(), static_cast<long>(bytes.size())) != 0) {
        xmp_free_context(loaded->context);
        loaded->context = nullptr;
        return kAudioBadFile;
    }
    xmp_module_info info;
    xmp_get_module_info(loaded->context, &info);
    loaded->channels = info.mod ? info.mod->chn : 0;
    if (loaded->channels <= 0) return kAudioBadFile;
    uint32_t handle = NewHandle(lib);
    lib.modules[handle] = std::move(loaded);
    *module = handle;
    return kAudioOk;
}

int AFreeModuleFile(uint32_t module) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("AFreeModuleFile(%u)", module);
    auto it = lib.modules.find(module);
    if (it == lib.modules.end()) return kAudioBadHandle;
    OutputLock lock;
    if (lib.playing == it->second.get()) StopPlayer(lib);
    lib.modules.erase(it);
    return kAudioOk;
}

int APlayModule(uint32_t module) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("APlayModule(%u)", module);
    auto it = lib.modules.find(module);
    if (it == lib.modules.end()) return kAudioBadHandle;
    if (!lib.voicesOpen) return kAudioNotOpen;
    OutputLock lock;
    StopPlayer(lib);
    Module& m = *it->second;
    if (FreeVoices(lib) < m.channels) return kAudioNoVoice;
    if (xmp_start_player(m.context, lib.format.rate, 0) != 0) return kAudioBadFile;
    lib.playing = &m;
    lib.moduleVoices = m.channels;
    return kAudioOk;
}

int AStopModule() {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("AStopModule()");
    if (!lib.playing) return kAudioNotOpen;
    OutputLock lock;
    StopPlayer(lib);
    return kAudioOk;
}

int ASetModuleVolume(int volume) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ASetModuleVolume(%d)", volume);
    if (!lib.outputOpen) return kAudioNotOpen;
    OutputLock lock;
    lib.moduleVolume = ClampVolume(volume);
    return kAudioOk;
}

int ALoadWaveFile(const char* path, uint32_t* wave, uint32_t offset) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ALoadWaveFile(\"%s\", %u)", path ? path : "(null)", offset);
    if (!wave) return kAudioBadArgument;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, offset, bytes)) return kAudioBadFile;
    TrimRiffChunks(bytes);
    SDL_RWops* io = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!io) return kAudioBadFile;
    SDL_AudioSpec waveFormat;
    Uint8* pcm = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(io, 1, &waveFormat, &pcm, &length)) return kAudioBadFile;
    auto loaded = std::make_unique<Wave>();
    loaded->source.assign(pcm, pcm + length);
    SDL_FreeWAV(pcm);
    loaded->sourceFormat = waveFormat.format;
    loaded->sourceChannels = waveFormat.channels;
    loaded->sourceRate = waveFormat.freq;
    // A damaged header can claim a rate that would blow a few bytes up into hours of sound.
    size_t frameBytes = SDL_AUDIO_BITSIZE(waveFormat.format) / 8 * std::max<size_t>(waveFormat.channels, 1);
    if (waveFormat.freq < kMinWaveRate || waveFormat.freq > kMaxWaveRate || waveFormat.channels < 1 ||
        loaded->source.size() / frameBytes > static_cast<size_t>(waveFormat.freq) * kMaxWaveSeconds)
        return kAudioBadFile;
    if (!Convert(*loaded, lib.format)) return kAudioBadFile;
    uint32_t handle = NewHandle(lib);
    lib.waves[handle] = std::move(loaded);
    *wave = handle;
    return kAudioOk;
}

int AFreeWaveFile(uint32_t wave) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("AFreeWaveFile(%u)", wave);
    auto it = lib.waves.find(wave);
    if (it == lib.waves.end()) return kAudioBadHandle;
    OutputLock lock;
    for (Voice& voice : lib.voices)
        if (voice.wave == it->second.get()) voice.wave = nullptr;
    lib.waves.erase(it);
    return kAudioOk;
}

int APlayVoice(uint32_t voice, uint32_t wave) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("APlayVoice(%u, %u)", voice, wave);
    Voice* found = FindVoice(lib, voice);
    if (!found) return lib.voicesOpen ? kAudioBadHandle : kAudioNotOpen;
    auto it = lib.waves.find(wave);
    if (it == lib.waves.end()) return kAudioBadHandle;
    OutputLock lock;
    found->wave = it->second.get();
    found->position = 0;
    return kAudioOk;
}

int AStopVoice(uint32_t voice) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("AStopVoice(%u)", voice);
    Voice* found = FindVoice(lib, voice);
    if (!found) return lib.voicesOpen ? kAudioBadHandle : kAudioNotOpen;
    OutputLock lock;
    found->wave = nullptr;
    return kAudioOk;
}

int ASetVoiceVolume(uint32_t voice, int volume) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ASetVoiceVolume(%u, %d)", voice, volume);
    Voice* found = FindVoice(lib, voice);
    if (!found) return lib.voicesOpen ? kAudioBadHandle : kAudioNotOpen;
    OutputLock lock;
    found->volume = ClampVolume(volume);
    return kAudioOk;
}

int ASetVoicePanning(uint32_t voice, int panning) {
    Library& lib = Lib();
    std::lock_guard guard(lib.mutex);
    Log("ASetVoicePanning(%u, %d)", voice, panning);
    Voice* found = FindVoice(lib, voice);
    if (!found) return lib.voicesOpen ? kAudioBadHandle : kAudioNotOpen;
    OutputLock lock;
    found->panning = std::clamp(panning, 0, 255);
    return kAudioOk;
}

} // namespace plat
