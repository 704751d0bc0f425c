// A writer for FastTracker 2 extended modules (XM, version 1.04): instruments with one
// 16-bit sample each, volume envelopes and auto-vibrato, and packed patterns.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace xm {

constexpr uint8_t kKeyOff = 97;

// Note number of a pitch: octave 0..7, semitone 0..11 above C. C-4 is 49.
constexpr uint8_t Note(int octave, int semitone) {
    return static_cast<uint8_t>(octave * 12 + semitone + 1);
}

struct Sample {
    std::string name;
    std::vector<int16_t> data;
    bool loop = false;
    uint32_t loopStart = 0, loopLength = 0; // in samples
    uint8_t volume = 64;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    int8_t finetune = 0;
};

struct EnvelopePoint {
    uint16_t tick;
    uint16_t value; // 0..64
};

struct Instrument {
    std::string name;
    Sample sample;
    std::vector<EnvelopePoint> volumeEnvelope; // empty: no envelope (key-off cuts the note)
    int sustainPoint = -1;
    uint16_t fadeout = 0;
    uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0; // 1-based, 0 = none
    uint8_t volume = 0;     // volume column byte; 0x10 + v sets volume v (0..64)
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct Pattern {
    int rows = 64;
    std::vector<Cell> cells; // rows * channels, row by row
};

struct Module {
    std::string name;
    int channels = 8;
    int speed = 6; // ticks per row
    int bpm = 125;
    int restart = 0;
    std::vector<uint8_t> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// Sets relativeNote and finetune so that note C-4 plays a sample in which one cycle of the
// tone is cycleLength samples long at 261.63 Hz.
void TuneCycle(Sample& sample, double cycleLength);
// Sets them so that note C-4 plays the sample at the given rate (drums: played as recorded).
void TuneRate(Sample& sample, double rate);

std::vector<uint8_t> Encode(const Module& module);

} // namespace xm
