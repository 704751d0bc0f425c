#include "tests/sound_files.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace sound_files {
namespace {

void Put16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
void Put32(Bytes& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
void PutText(Bytes& out, const char* text, size_t width) {
    size_t n = std::strlen(text);
    for (size_t i = 0; i < width; ++i) out.push_back(i < n ? static_cast<uint8_t>(text[i]) : 0);
}
void PutZeros(Bytes& out, size_t count) {
    out.insert(out.end(), count, 0);
}

Bytes WaveHeader(uint32_t dataBytes, int rate, int channels, int bits) {
    Bytes out;
    PutText(out, "RIFF", 4);
    Put32(out, 36 + dataBytes);
    PutText(out, "WAVE", 4);
    PutText(out, "fmt ", 4);
    Put32(out, 16);
    Put16(out, 1); // PCM
    Put16(out, static_cast<uint32_t>(channels));
    Put32(out, static_cast<uint32_t>(rate));
    Put32(out, static_cast<uint32_t>(rate * channels * bits / 8));
    Put16(out, static_cast<uint32_t>(channels * bits / 8));
    Put16(out, static_cast<uint32_t>(bits));
    PutText(out, "data", 4);
    Put32(out, dataBytes);
    return out;
}

} // namespace

Bytes MakeWave16(const std::vector<int16_t>& samples, int rate, int channels) {
    Bytes out = WaveHeader(static_cast<uint32_t>(samples.size() * 2), rate, channels, 16);
    for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
    return out;
}

Bytes MakeWave8(const std::vector<uint8_t>& samples, int rate, int channels) {
    Bytes out = WaveHeader(static_cast<uint32_t>(samples.size()), rate, channels, 8);
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

Bytes MakeModule(int channels) {
    constexpr int kRows = 16;
    constexpr int kSampleLength = 64;
    Bytes out;
    PutText(out, "Extended Module: ", 17);
    PutText(out, "test tune", 20);
    out.push_back(0x1A);
    PutText(out, "tarvel tests", 20);
    Put16(out, 0x0104);
    Put32(out, 276); // header size from here
    Put16(out, 1);   // song length
    Put16(out, 0);   // restart position
    Put16(out, static_cast<uint32_t>(channels));
    Put16(out, 1);      // patterns
    Put16(out, 1);      // instruments
    Put16(out, 1);      // linear frequencies
    Put16(out, 6);      // ticks per row
    Put16(out, 125);    // BPM
    PutZeros(out, 256); // order table: pattern 0

    // The pattern, packed: one note in the first cell, every other cell empty.
    Bytes cells;
    for (int row = 0; row < kRows; ++row) {
        for (int ch = 0; ch < channels; ++ch) {
            if (row == 0 && ch == 0) {
                cells.push_back(0x83); // note and instrument follow
                cells.push_back(49);   // C-4
                cells.push_back(1);
            } else {
                cells.push_back(0x80);
            }
        }
    }
    Put32(out, 9);
    out.push_back(0);
    Put16(out, kRows);
    Put16(out, static_cast<uint32_t>(cells.size()));
    out.insert(out.end(), cells.begin(), cells.end());

    // One instrument with one looping 8-bit sample, no envelopes.
    Put32(out, 263);
    PutText(out, "square", 22);
    out.push_back(0);
    Put16(out, 1);
    Put32(out, 40);
    PutZeros(out, 96 + 48 + 48 + 14);
    Put16(out, 0);     // fadeout
    PutZeros(out, 22); // reserved
    Put32(out, kSampleLength);
    Put32(out, 0);
    Put32(out, kSampleLength);
    out.push_back(64);  // volume
    out.push_back(0);   // finetune
    out.push_back(1);   // forward loop, 8-bit
    out.push_back(128); // panning
    out.push_back(0);   // relative note
    out.push_back(0);
    PutText(out, "square", 22);
    // Sample data is stored as differences from the previous value.
    int8_t previous = 0;
    for (int i = 0; i < kSampleLength; ++i) {
        int8_t value = i < kSampleLength / 2 ? 100 : -100;
        out.push_back(static_cast<uint8_t>(value - previous));
        previous = value;
    }
    return out;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<int16_t> Samples16(const Bytes& output) {
    std::vector<int16_t> samples(output.size() / 2);
    std::memcpy(samples.data(), output.data(), samples.size() * 2);
    return samples;
}

int Peak(const Bytes& output, int bits) {
    int peak = 0;
    if (bits == 8) {
        for (uint8_t b : output) peak = std::max(peak, std::abs(b - 128));
    } else {
        for (int16_t s : Samples16(output)) peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    return peak;
}

int SoundingFrames(const Bytes& output, int bits, int channels) {
    int frameBytes = bits / 8 * channels;
    int frames = static_cast<int>(output.size()) / frameBytes;
    int sounding = 0;
    for (int f = 0; f < frames; ++f) {
        Bytes frame(output.begin() + f * frameBytes, output.begin() + (f + 1) * frameBytes);
        sounding += Peak(frame, bits) > 0;
    }
    return sounding;
}

} // namespace sound_files
