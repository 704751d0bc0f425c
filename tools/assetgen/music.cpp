// "Trail Blazer", the game's background music: an upbeat arcade tune in A minor at 150 beats a
// minute, ten channels, fourteen patterns (about 90 seconds) before it loops back to the first
// verse. Every instrument is synthesized here.
#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "tools/assetgen/assets.h"
#include "tools/assetgen/wave.h"
#include "tools/assetgen/xm.h"

namespace assets {

namespace {

constexpr double kPi = 3.14159265358979;

// --- instruments ---------------------------------------------------------------------------------

enum Instrument : uint8_t {
    kLead = 1,
    kEcho,
    kBass,
    kArp,
    kPad,
    kKick,
    kSnare,
    kHat,
    kOpenHat,
    kCrash,
};

enum Channel { cLead, cEcho, cArp, cBass, cPadLow, cPadHigh, cKick, cSnare, cHat, cCrash, kChannels };

// A looped tone: `cycles` periods of a band-limited wave in `length` samples, plus a detuned
// voice with one cycle more, for a gentle chorus.
std::vector<int16_t> LoopedTone(int length, int cycles, const std::vector<double>& harmonics,
                                double detuneLevel) {
    std::vector<float> s(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) {
        double t = i / static_cast<double>(length);
        double v = 0;
        for (size_t h = 0; h < harmonics.size(); ++h) {
            double k = static_cast<double>(h + 1);
            v += harmonics[h] * std::sin(2 * kPi * k * cycles * t);
            v += detuneLevel * harmonics[h] * std::sin(2 * kPi * k * (cycles + 1) * t + 0.7 * k);
        }
        s[static_cast<size_t>(i)] = static_cast<float>(v);
    }
    return ToPcm16(Normalise(s, 0.85f));
}

std::vector<double> PulseHarmonics(double duty, int count) {
    std::vector<double> h;
    for (int k = 1; k <= count; ++k) h.push_back(std::sin(kPi * k * duty) / k);
    return h;
}

std::vector<double> SawHarmonics(int count) {
    std::vector<double> h;
    for (int k = 1; k <= count; ++k) h.push_back(1.0 / k * (k % 2 ? 1 : -1));
    return h;
}

std::vector<double> SoftHarmonics(int count) {
    std::vector<double> h;
    for (int k = 1; k <= count; ++k) h.push_back(1.0 / (k * k) + (k == 2 ? 0.15 : 0));
    return h;
}

xm::Sample Tone(const char* name, const std::vector<double>& harmonics, double detune, uint8_t panning) {
    // 128 cycles of 128 samples: C-4 plays one cycle in 128 samples.
    xm::Sample s;
    s.name = name;
    s.data = LoopedTone(128 * 128, 128, harmonics, detune);
    s.loop = true;
    s.loopStart = 0;
    s.loopLength = static_cast<uint32_t>(s.data.size());
    s.panning = panning;
    xm::TuneCycle(s, 128);
    return s;
}

constexpr int kDrumRate = 44100;

xm::Sample Drum(const char* name, std::vector<float> signal, uint8_t panning) {
    xm::Sample s;
    s.name = name;
    s.data = ToPcm16(Normalise(std::move(signal), 0.9f));
    s.panning = panning;
    xm::TuneRate(s, kDrumRate);
    return s;
}

std::vector<float> KickSignal() {
    std::vector<float> s(static_cast<size_t>(kDrumRate * 0.32));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = i / static_cast<double>(kDrumRate);
        double hz = 45 + 120 * std::exp(-t * 28);
        phase += 2 * kPi * hz / kDrumRate;
        double click = std::exp(-t * 400) * 0.5;
        s[i] = static_cast<float>((std::sin(phase) + click) * std::exp(-t * 9) *
                                  std::min(1.0, (0.32 - t) / 0.02));
    }
    return s;
}

std::vector<float> SnareSignal() {
    std::vector<float> s(static_cast<size_t>(kDrumRate * 0.24));
    art::Noise noise(808);
    double phase = 0, low = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = i / static_cast<double>(kDrumRate);
        phase += 2 * kPi * (185 + 40 * std::exp(-t * 40)) / kDrumRate;
        double n = noise.Signed();
        low += 0.35 * (n - low);
        double rattle = (n - low * 0.6) * std::exp(-t * 16);
        double body = std::sin(phase) * std::exp(-t * 30);
        s[i] = static_cast<float>((rattle * 0.8 + body * 0.7) * std::min(1.0, (0.24 - t) / 0.02));
    }
    return s;
}

std::vector<float> HatSignal(double seconds, double decay, uint32_t seed) {
    std::vector<float> s(static_cast<size_t>(kDrumRate * seconds));
    art::Noise noise(seed);
    double low = 0, previous = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = i / static_cast<double>(kDrumRate);
        double n = noise.Signed();
        low += 0.5 * (n - low);
        double high = n - low;                         // only the top of the noise
        double metal = high + 0.3 * (high - previous); // a little extra sizzle
        previous = high;
        s[i] = static_cast<float>(metal * std::exp(-t * decay) * std::min(1.0, (seconds - t) / 0.01));
    }
    return s;
}

std::vector<float> CrashSignal() {
    std::vector<float> s(static_cast<size_t>(kDrumRate * 1.4));
    art::Noise noise(4711);
    double low = 0, band = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = i / static_cast<double>(kDrumRate);
        double n = noise.Signed();
        low += 0.3 * (n - low);
        band += 0.6 * ((n - low) - band);
        s[i] = static_cast<float>(band * std::exp(-t * 3.2) * std::min(1.0, t / 0.002) *
                                  std::min(1.0, (1.4 - t) / 0.05));
    }
    return s;
}

std::vector<xm::Instrument> Instruments() {
    std::vector<xm::Instrument> list(10);
    list[kLead - 1] = {"lead",
                       Tone("pulse lead", PulseHarmonics(0.25, 14), 0.45, 108),
                       {{0, 64}, {3, 52}, {16, 44}, {30, 0}},
                       2,
                       900,
                       0,
                       40,
                       3,
                       12};
    list[kEcho - 1] = list[kLead - 1];
    list[kEcho - 1].name = "lead echo";
    list[kEcho - 1].sample.panning = 196;
    list[kBass - 1] = {"bass",
                       Tone("saw bass", SawHarmonics(24), 0.25, 128),
                       {{0, 64}, {4, 46}, {24, 30}, {28, 0}},
                       2,
                       1400};
    list[kArp - 1] = {"arp",
                      Tone("square arp", PulseHarmonics(0.5, 11), 0.0, 80),
                      {{0, 56}, {4, 26}, {12, 8}, {20, 0}},
                      -1,
                      2000};
    list[kPad - 1] = {"pad",
                      Tone("soft pad", SoftHarmonics(8), 0.8, 150),
                      {{0, 0}, {14, 38}, {40, 30}, {60, 0}},
                      2,
                      600,
                      0,
                      0,
                      2,
                      6};
    list[kKick - 1] = {"kick", Drum("kick", KickSignal(), 128)};
    list[kSnare - 1] = {"snare", Drum("snare", SnareSignal(), 140)};
    list[kHat - 1] = {"closed hat", Drum("closed hat", HatSignal(0.06, 70, 99), 170)};
    list[kOpenHat - 1] = {"open hat", Drum("open hat", HatSignal(0.3, 12, 123), 170)};
    list[kCrash - 1] = {"crash", Drum("crash", CrashSignal(), 96)};
    return list;
}

// --- the tune -----------------------------------------------------------------------------------

constexpr int kRowsPerBar = 16;
constexpr int kBarsPerPattern = 4;
constexpr int kRowsPerPattern = kRowsPerBar * kBarsPerPattern;

// Semitone of a note name's letter and accidental: "C", "F#", "Bb".
int Semitone(const std::string& name) {
    static const std::map<char, int> letters = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                                {'G', 7}, {'A', 9}, {'B', 11}};
    int s = letters.at(name[0]);
    for (size_t i = 1; i < name.size(); ++i) s += name[i] == '#' ? 1 : (name[i] == 'b' ? -1 : 0);
    return s;
}

// "E5" -> note number.
uint8_t Pitch(const std::string& token) {
    int octave = token.back() - '0';
    return xm::Note(octave, Semitone(token.substr(0, token.size() - 1)));
}

struct Chord {
    const char* root; // letter name
    bool minor;
};

struct Section {
    const char* name;
    Chord chords[4];
    const char* melody; // 32 eighth notes: a note, "." holds, "-" stops
    bool lead, drums, fill, crash, busyHats, leadHigh;
};

// The song as one long timeline of rows, cut into patterns afterwards, so the echo of the lead
// runs on across pattern boundaries.
struct Song {
    int rows;
    std::vector<xm::Cell> cells;
    explicit Song(int patterns)
        : rows(patterns * kRowsPerPattern), cells(static_cast<size_t>(rows) * kChannels) {}
    xm::Cell& At(int row, int channel) { return cells[static_cast<size_t>(row) * kChannels + channel]; }
    void Play(int row, int channel, uint8_t note, uint8_t instrument, int volume) {
        if (row >= rows) return;
        xm::Cell& c = At(row, channel);
        c.note = note;
        c.instrument = note == xm::kKeyOff ? 0 : instrument;
        c.volume = static_cast<uint8_t>(0x10 + std::clamp(volume, 0, 64));
    }
};

// Chord tones above the root: root, third, fifth.
std::vector<int> ChordTones(const Chord& c) {
    int root = Semitone(c.root);
    return {root, root + (c.minor ? 3 : 4), root + 7};
}

void WriteSection(Song& song, int start, const Section& s, bool intro) {
    for (int bar = 0; bar < kBarsPerPattern; ++bar) {
        int base = start + bar * kRowsPerBar;
        const Chord& chord = s.chords[bar];
        std::vector<int> tones = ChordTones(chord);
        int root = tones[0];
        // Bass: eighth notes bouncing between the root and its octave.
        for (int e = 0; e < 8; ++e) {
            int octave = (e % 2 == 1) ? 3 : 2;
            int vol = (e % 2 == 0) ? 56 : 44;
            song.Play(base + 2 * e, cBass, xm::Note(octave, root % 12), kBass, vol);
        }
        // Arpeggio: sixteenths up and down the chord.
        static const int order[16] = {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 4, 3, 2, 1, 2, 3};
        for (int r = 0; r < 16; ++r) {
            int step = order[r];
            int semitone = tones[step % 3] + 12 * (step / 3);
            int vol = (r % 4 == 0) ? 30 : 20;
            if (!s.lead) vol += 10; // the arpeggio carries the bridge
            song.Play(base + r, cArp, static_cast<uint8_t>(xm::Note(4, 0) + semitone), kArp, vol);
        }
        // Pad: the third and fifth held through the bar.
        song.Play(base, cPadLow, xm::Note(4, 0) + static_cast<uint8_t>(tones[1] % 12), kPad, 34);
        song.Play(base, cPadHigh, xm::Note(4, 0) + static_cast<uint8_t>(tones[2] % 12), kPad, 30);
        song.Play(base + 15, cPadLow, xm::kKeyOff, 0, 0);
        song.Play(base + 15, cPadHigh, xm::kKeyOff, 0, 0);
        // Drums.
        bool snare = s.drums && !(intro && bar < 2);
        for (int beat = 0; beat < 4; ++beat) song.Play(base + beat * 4, cKick, xm::Note(4, 0), kKick, 60);
        if (bar % 2 == 1) song.Play(base + 14, cKick, xm::Note(4, 0), kKick, 44);
        if (snare) {
            song.Play(base + 4, cSnare, xm::Note(4, 0), kSnare, 52);
            song.Play(base + 12, cSnare, xm::Note(4, 0), kSnare, 52);
        }
        for (int r = 0; r < 16; ++r) {
            if (r % 4 == 2)
                song.Play(base + r, cHat, xm::Note(4, 0), r == 14 && bar == 3 ? kOpenHat : kHat, 44);
            else if (s.busyHats && r % 2 == 1)
                song.Play(base + r, cHat, xm::Note(4, 0), kHat, 22);
        }
        if (s.fill && bar == 3) {
            // A snare run into the next section.
            for (int r = 8; r < 16; ++r)
                song.Play(base + r, cSnare, xm::Note(4, 0), kSnare, 26 + 4 * (r - 8));
        }
    }
    if (s.crash) song.Play(start, cCrash, xm::Note(4, 0), kCrash, 44);
    if (!s.lead) return;
    // Lead and its echo, a dotted eighth later and softer.
    std::istringstream tokens(s.melody);
    std::string token;
    int row = start;
    while (tokens >> token) {
        if (token == "-") {
            song.Play(row, cLead, xm::kKeyOff, 0, 0);
            song.Play(row + 3, cEcho, xm::kKeyOff, 0, 0);
        } else if (token != ".") {
            uint8_t note = static_cast<uint8_t>(Pitch(token) + (s.leadHigh ? 12 : 0));
            song.Play(row, cLead, note, kLead, 50);
            song.Play(row + 3, cEcho, note, kEcho, 20);
        }
        row += 2;
    }
}

} // namespace

std::vector<uint8_t> MakeMusic() {
    const Chord am{"A", true}, f{"F", false}, c{"C", false}, g{"G", false}, em{"E", true}, e{"E", false},
        dm{"D", true};
    const char* verse =
        "E5 . A5 . B5 C6 . B5  A5 . F5 . A5 C6 . A5  G5 . E5 . G5 C6 . E6  D6 . B5 . G5 . - .";
    const char* verse2 =
        "E5 . A5 . B5 C6 . B5  A5 . F5 . A5 C6 . A5  G5 . E5 . G5 C6 . D6  E6 . D6 . B5 . G5 .";
    const char* chorus = "C6 . . A5 . . C6 .  D6 . . B5 . . D6 .  E6 . D6 . B5 . G5 .  A5 . . . E5 . A5 .";
    const char* chorus2 = "C6 . . A5 . . C6 D6  E6 . . D6 . . B5 .  G#5 . B5 . E6 . D6 .  C6 . B5 . A5 . . -";
    const Section intro{"intro", {am, f, c, g}, "", false, true, true, false, false, false};
    const Section a{"verse", {am, f, c, g}, verse, true, true, false, true, false, false};
    const Section a2{"verse 2", {am, f, c, g}, verse2, true, true, true, false, false, false};
    const Section b{"chorus", {f, g, em, am}, chorus, true, true, false, true, true, false};
    const Section b2{"chorus 2", {f, g, e, am}, chorus2, true, true, true, false, true, false};
    const Section bridge{"bridge", {dm, em, f, g}, "", false, true, true, true, false, false};
    const Section aHigh{"verse high", {am, f, c, g}, verse, true, true, false, true, true, true};
    const Section a2High{"verse 2 high", {am, f, c, g}, verse2, true, true, true, false, true, true};
    const std::vector<Section> plan = {intro, a, a2, b, b2, bridge, a, a2, b, b2, bridge, aHigh, a2High, b2};

    Song song(static_cast<int>(plan.size()));
    for (size_t i = 0; i < plan.size(); ++i)
        WriteSection(song, static_cast<int>(i) * kRowsPerPattern, plan[i], i == 0);

    xm::Module m;
    m.name = "Trail Blazer";
    m.channels = kChannels;
    m.speed = 6;
    m.bpm = 150;
    m.restart = 1; // back to the first verse, the intro plays once
    m.instruments = Instruments();
    for (size_t i = 0; i < plan.size(); ++i) {
        xm::Pattern p;
        p.rows = kRowsPerPattern;
        auto first = song.cells.begin() + static_cast<std::ptrdiff_t>(i * kRowsPerPattern * kChannels);
        p.cells.assign(first, first + kRowsPerPattern * kChannels);
        m.patterns.push_back(std::move(p));
        m.orders.push_back(static_cast<uint8_t>(i));
    }
    return xm::Encode(m);
}

} // namespace assets
