#include "audio/audio.h"

#include "game/records.h"

plat::AudioOpenInfo audioOpenInfo;

void OpenAudio() {
    audioOpenInfo.deviceId = plat::kAudioDefaultDevice;
    audioOpenInfo.sampleRate = game->audio44k ? 44100 : 22050;
    // Always stereo; the "44 kHz" box sets the sample width and the "16 bit" box the rate.
    uint16_t format = plat::kAudioFormatStereo;
    if (game->audio16Bit) format |= plat::kAudioFormat16Bit;
    if (game->audioFilter) format |= plat::kAudioFormatFilter;
    audioOpenInfo.format = format;
    plat::AOpenAudio(&audioOpenInfo);
    plat::AOpenVoices(game->musicOn ? 32 : 1);
    // A voice that cannot be created leaves the old handle in place.
    uint32_t voice = static_cast<uint32_t>(game->effectVoice);
    plat::ACreateAudioVoice(&voice);
    game->effectVoice = static_cast<int32_t>(voice);
}

void CloseAudio() {
    plat::ADestroyAudioVoice(static_cast<uint32_t>(game->effectVoice));
    plat::ACloseVoices();
    plat::ACloseAudio();
}

void StartMusic(const char* path) {
    if (!game->musicOn) return;
    uint32_t module = static_cast<uint32_t>(game->musicModule);
    plat::ALoadModuleFile(path, &module, 0);
    game->musicModule = static_cast<int32_t>(module);
    plat::APlayModule(static_cast<uint32_t>(game->musicModule));
    plat::ASetModuleVolume(static_cast<int8_t>(game->musicVolume));
}

void StopMusic() {
    if (!game->musicOn) return;
    plat::AStopModule();
    plat::AFreeModuleFile(static_cast<uint32_t>(game->musicModule));
    game->musicModule = 0;
}

void PlayEffect(int32_t effect) {
    if (!game->soundOn) return;
    uint32_t voice = static_cast<uint32_t>(game->effectVoice);
    plat::AStopVoice(voice);
    plat::APlayVoice(voice, static_cast<uint32_t>(effect));
    plat::ASetVoiceVolume(voice, static_cast<int8_t>(game->soundVolume));
    plat::ASetVoicePanning(voice, plat::kAudioPanCentre);
}
