#include "tools/assetgen/wave.h"

#include <algorithm>
#include <cmath>

namespace assets {

std::vector<float> Normalise(std::vector<float> signal, float peak) {
    float largest = 0;
    for (float v : signal) largest = std::max(largest, std::fabs(v));
    if (largest > 0)
        for (float& v : signal) v *= peak / largest;
    return signal;
}

std::vector<int16_t> ToPcm16(const std::vector<float>& signal) {
    std::vector<int16_t> out(signal.size());
    for (size_t i = 0; i < signal.size(); ++i)
        out[i] = static_cast<int16_t>(std::clamp(std::lround(signal[i] * 32767.f), -32767L, 32767L));
    return out;
}

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Tag(std::vector<uint8_t>& out, const char* tag) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

} // namespace

std::vector<uint8_t> EncodeWave(const std::vector<float>& signal, int rate) {
    std::vector<int16_t> pcm = ToPcm16(signal);
    uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    std::vector<uint8_t> out;
    Tag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    Tag(out, "WAVE");
    Tag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, 1); // mono
    Put32(out, static_cast<uint32_t>(rate));
    Put32(out, static_cast<uint32_t>(rate) * 2);
    Put16(out, 2);
    Put16(out, 16);
    Tag(out, "data");
    Put32(out, dataBytes);
    for (int16_t v : pcm) Put16(out, static_cast<uint16_t>(v));
    return out;
}

} // namespace assets
