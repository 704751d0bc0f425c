#include "tools/assetgen/xm.h"

#include <algorithm>
#include <cmath>

namespace xm {

namespace {

constexpr double kBaseRate = 8363;    // C-4 of an untuned sample
constexpr double kMiddleC = 261.6256; // C-4

void SetPlaybackRate(Sample& sample, double rate) {
    double semitones = 12 * std::log2(rate / kBaseRate);
    int whole = static_cast<int>(std::lround(semitones));
    int fine = static_cast<int>(std::lround((semitones - whole) * 128));
    sample.relativeNote = static_cast<int8_t>(std::clamp(whole, -96, 95));
    sample.finetune = static_cast<int8_t>(std::clamp(fine, -128, 127));
}

struct Writer {
    std::vector<uint8_t> out;
    void U8(unsigned v) { out.push_back(static_cast<uint8_t>(v)); }
    void U16(unsigned v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Text(const std::string& s, size_t width) {
        for (size_t i = 0; i < width; ++i) U8(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
    }
    void Zeros(size_t n) {
        for (size_t i = 0; i < n; ++i) U8(0);
    }
};

std::vector<uint8_t> PackPattern(const Pattern& p, int channels) {
    std::vector<uint8_t> data;
    for (int i = 0; i < p.rows * channels; ++i) {
        const Cell& c = p.cells[static_cast<size_t>(i)];
        uint8_t flags = 0x80;
        if (c.note) flags |= 1;
        if (c.instrument) flags |= 2;
        if (c.volume) flags |= 4;
        if (c.effect) flags |= 8;
        if (c.param) flags |= 16;
        data.push_back(flags);
        if (c.note) data.push_back(c.note);
        if (c.instrument) data.push_back(c.instrument);
        if (c.volume) data.push_back(c.volume);
        if (c.effect) data.push_back(c.effect);
        if (c.param) data.push_back(c.param);
    }
    return data;
}

} // namespace

void TuneCycle(Sample& sample, double cycleLength) {
    SetPlaybackRate(sample, kMiddleC * cycleLength);
}

void TuneRate(Sample& sample, double rate) {
    SetPlaybackRate(sample, rate);
}

std::vector<uint8_t> Encode(const Module& m) {
    Writer w;
    w.Text("Extended Module: ", 17);
    w.Text(m.name, 20);
    w.U8(0x1A);
    w.Text("Tarvel assetgen", 20);
    w.U16(0x0104);
    w.U32(276); // header size from here: 20 bytes of fields and the 256-entry order table
    w.U16(static_cast<unsigned>(m.orders.size()));
    w.U16(static_cast<unsigned>(m.restart));
    w.U16(static_cast<unsigned>(m.channels));
    w.U16(static_cast<unsigned>(m.patterns.size()));
    w.U16(static_cast<unsigned>(m.instruments.size()));
    w.U16(1); // linear frequency table
    w.U16(static_cast<unsigned>(m.speed));
    w.U16(static_cast<unsigned>(m.bpm));
    for (size_t i = 0; i < 256; ++i) w.U8(i < m.orders.size() ? m.orders[i] : 0);

    for (const Pattern& p : m.patterns) {
        std::vector<uint8_t> packed = PackPattern(p, m.channels);
        w.U32(9);
        w.U8(0);
        w.U16(static_cast<unsigned>(p.rows));
        w.U16(static_cast<unsigned>(packed.size()));
        w.out.insert(w.out.end(), packed.begin(), packed.end());
    }

    for (const Instrument& ins : m.instruments) {
        w.U32(263);
        w.Text(ins.name, 22);
        w.U8(0);
        w.U16(1);    // one sample
        w.U32(40);   // sample header size
        w.Zeros(96); // every note plays sample 0
        for (size_t i = 0; i < 12; ++i) {
            EnvelopePoint pt = i < ins.volumeEnvelope.size() ? ins.volumeEnvelope[i] : EnvelopePoint{0, 0};
            w.U16(pt.tick);
            w.U16(pt.value);
        }
        w.Zeros(48); // no panning envelope
        w.U8(static_cast<unsigned>(ins.volumeEnvelope.size()));
        w.U8(0);
        w.U8(ins.sustainPoint < 0 ? 0 : static_cast<unsigned>(ins.sustainPoint));
        w.U8(0); // volume loop start
        w.U8(0); // volume loop end
        w.U8(0); // panning sustain, loop start, loop end
        w.U8(0);
        w.U8(0);
        unsigned volumeType = ins.volumeEnvelope.empty() ? 0 : (1 | (ins.sustainPoint >= 0 ? 2 : 0));
        w.U8(volumeType);
        w.U8(0);
        w.U8(ins.vibratoType);
        w.U8(ins.vibratoSweep);
        w.U8(ins.vibratoDepth);
        w.U8(ins.vibratoRate);
        w.U16(ins.fadeout);
        w.Zeros(22);

        const Sample& s = ins.sample;
        w.U32(static_cast<uint32_t>(s.data.size() * 2));
        w.U32(s.loop ? s.loopStart * 2 : 0);
        w.U32(s.loop ? s.loopLength * 2 : 0);
        w.U8(s.volume);
        w.U8(static_cast<uint8_t>(s.finetune));
        w.U8(0x10 | (s.loop ? 1 : 0)); // 16-bit, forward loop
        w.U8(s.panning);
        w.U8(static_cast<uint8_t>(s.relativeNote));
        w.U8(0);
        w.Text(s.name, 22);
        // Sample data is stored as differences from the previous value.
        int16_t previous = 0;
        for (int16_t v : s.data) {
            w.U16(static_cast<uint16_t>(static_cast<uint16_t>(v) - static_cast<uint16_t>(previous)));
            previous = v;
        }
    }
    return w.out;
}

} // namespace xm
