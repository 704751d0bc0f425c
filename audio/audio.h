// The game's sound: the mixer, the music module and the one effect voice.
#pragma once
#include <cstdint>

void OpenAudio();
void CloseAudio();
void StartMusic(const char* path);
void StopMusic();
void PlayEffect(int32_t effect);
