// Sample helpers shared by the effects and the module's instruments.
#pragma once
#include <cstdint>
#include <vector>

namespace assets {

// Effects peak at 90 % of full scale: loud, with headroom for the mixer's interpolation.
constexpr float kEffectPeak = 0.9f;

// Scales the signal so its largest magnitude is exactly peak (0..1).
std::vector<float> Normalise(std::vector<float> signal, float peak);
// Converts -1..1 floats to 16-bit integers, rounding and clamping.
std::vector<int16_t> ToPcm16(const std::vector<float>& signal);
// A mono 16-bit PCM RIFF/WAVE file.
std::vector<uint8_t> EncodeWave(const std::vector<float>& signal, int rate);

} // namespace assets
