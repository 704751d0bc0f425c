// The audio service: the mixing device, the background music and the one effect voice, all run
// under the audio settings in the game record.
#pragma once
#include <cstdint>

#include "platform/audio.h"

// Filled by OpenAudio and handed to the library by address.
extern plat::AudioOpenInfo audioOpenInfo;

// Opens the device and the voices under the current settings and creates the effect voice.
void OpenAudio();
// Destroys the effect voice, closes the voices and the device.
void CloseAudio();
// Loads and plays the module file at the music volume; nothing when music is off.
void StartMusic(const char* path);
// Stops and frees the module; nothing when music is off.
void StopMusic();
// Restarts the effect voice on one of the four loaded effects; nothing at all when sound is off.
void PlayEffect(int32_t effect);
