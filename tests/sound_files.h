// Small modules and waves written by the tests themselves, and measures of mixed output.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sound_files {

using Bytes = std::vector<uint8_t>;

// A RIFF WAVE file of 16-bit PCM; samples are interleaved when channels is 2.
Bytes MakeWave16(const std::vector<int16_t>& samples, int rate, int channels);
// The same with 8-bit unsigned samples.
Bytes MakeWave8(const std::vector<uint8_t>& samples, int rate, int channels);
// An XM module of one 16-row pattern: channel 0 plays a looping square wave from row 0, the
// other channels stay empty. Lasts about two seconds, then the song starts over.
Bytes MakeModule(int channels);
void WriteBytes(const std::string& path, const Bytes& bytes);

// 16-bit output as signed samples.
std::vector<int16_t> Samples16(const Bytes& output);
// The largest distance from silence, for 8-bit (silence 0x80) or 16-bit output.
int Peak(const Bytes& output, int bits);
// How many frames hold anything but silence.
int SoundingFrames(const Bytes& output, int bits, int channels);

} // namespace sound_files
