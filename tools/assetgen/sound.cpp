// The four sound effects, synthesized: an explosion, a jingle, a click and a missile launch.
// Each is normalised to the same peak, well clear of clipping, and written as 16-bit PCM WAV.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/assets.h"
#include "tools/assetgen/wave.h"

namespace assets {

namespace {

constexpr int kRate = 44100;
constexpr float kPi = 3.14159265f;

using Signal = std::vector<float>;

Signal Silence(float seconds) {
    return Signal(static_cast<size_t>(seconds * kRate), 0.f);
}

// A one-pole low-pass whose cutoff may change from sample to sample.
struct LowPass {
    float y = 0;
    float Step(float x, float cutoffHz) {
        float k = 1 - std::exp(-2 * kPi * cutoffHz / kRate);
        y += k * (x - y);
        return y;
    }
};

// Explosion: a deep thump falling in pitch under a roar of noise that darkens as it dies.
Signal Kaboom() {
    Signal s = Silence(0.62f);
    art::Noise noise(1234);
    LowPass lp1, lp2;
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = i / static_cast<float>(kRate);
        float attack = std::min(1.f, t / 0.004f);
        float cutoff = 200 + 5200 * std::exp(-t * 9);
        float roar = lp2.Step(lp1.Step(noise.Signed(), cutoff), cutoff);
        float roarEnv =
            attack * std::exp(-t * 6.5f) * (1 + 0.35f * std::sin(2 * kPi * 23 * t) * std::exp(-t * 4));
        float pitch = 38 + 90 * std::exp(-t * 14);
        phase += 2 * kPi * pitch / kRate;
        float thump = std::sin(phase) * attack * std::exp(-t * 7);
        float tail = t > 0.5f ? 1 - (t - 0.5f) / 0.12f : 1; // fades to silence at the end
        s[i] = (roar * 2.6f * roarEnv + thump * 0.9f) * tail;
    }
    return s;
}

// A bright pulse-wave voice with a little vibrato.
void Tone(Signal& s, float start, float length, float hz, float level) {
    size_t first = static_cast<size_t>(start * kRate), count = static_cast<size_t>(length * kRate);
    float phase = 0;
    for (size_t i = 0; i < count && first + i < s.size(); ++i) {
        float t = i / static_cast<float>(kRate);
        float vib = 1 + 0.006f * std::sin(2 * kPi * 6 * t) * std::min(1.f, t / 0.1f);
        phase += hz * vib / kRate;
        phase -= std::floor(phase);
        // Band-limited-ish pulse: a few odd and even harmonics of a 30 % pulse.
        float v = 0;
        for (int h = 1; h <= 7; ++h) v += std::sin(2 * kPi * h * 0.3f) / h * std::cos(2 * kPi * h * phase);
        float env = std::min(1.f, t / 0.005f) * std::exp(-t * 3.5f) * std::min(1.f, (length - t) / 0.02f);
        s[first + i] += v * env * level;
    }
}

// Intro jingle: a rising major arpeggio ending on a held chord.
Signal Jiha() {
    Signal s = Silence(0.72f);
    const float notes[] = {523.25f, 659.25f, 783.99f, 1046.5f};
    for (int i = 0; i < 4; ++i) Tone(s, i * 0.075f, i < 3 ? 0.16f : 0.44f, notes[i], 0.5f);
    Tone(s, 0.3f, 0.42f, 783.99f, 0.3f);
    Tone(s, 0.3f, 0.42f, 1318.5f, 0.22f);
    return s;
}

// Click: a short tick of filtered noise and a 2.4 kHz ping.
Signal Klick() {
    Signal s = Silence(0.045f);
    art::Noise noise(77);
    LowPass lp;
    float hpState = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = i / static_cast<float>(kRate);
        float n = noise.Signed();
        float high = n - lp.Step(n, 3000); // keep the crisp top of the noise
        hpState = high;
        float ping = std::sin(2 * kPi * 2400 * t) * std::exp(-t * 160);
        float tick = hpState * std::exp(-t * 900);
        float tail = std::min(1.f, (0.045f - t) / 0.01f);
        s[i] = (tick * 1.4f + ping * 0.8f) * tail;
    }
    return s;
}

// Missile launch: a rising whoosh of noise over a tone sweeping upwards.
Signal Missil() {
    Signal s = Silence(0.3f);
    art::Noise noise(555);
    LowPass lp, lp2;
    float phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = i / static_cast<float>(kRate);
        float env = std::min(1.f, t / 0.012f) * std::exp(-t * 7) * std::min(1.f, (0.3f - t) / 0.04f);
        float cutoff = 600 + 5000 * (t / 0.3f);
        float n = noise.Signed();
        float band = lp.Step(n, cutoff) - lp2.Step(n, cutoff * 0.25f);
        float hz = 260 + 1100 * std::pow(t / 0.3f, 0.7f);
        phase += hz / kRate;
        phase -= std::floor(phase);
        float saw = 0;
        for (int h = 1; h <= 6; ++h) saw += std::sin(2 * kPi * h * phase) / h;
        s[i] = (band * 2.2f + saw * 0.35f) * env;
    }
    return s;
}

} // namespace

std::vector<Sound> MakeEffects() {
    std::vector<Sound> out;
    out.push_back({"sounds/kaboom.wav", EncodeWave(Normalise(Kaboom(), kEffectPeak), kRate)});
    out.push_back({"sounds/jiha.wav", EncodeWave(Normalise(Jiha(), kEffectPeak), kRate)});
    out.push_back({"sounds/klick.wav", EncodeWave(Normalise(Klick(), kEffectPeak), kRate)});
    out.push_back({"sounds/missil.wav", EncodeWave(Normalise(Missil(), kEffectPeak), kRate)});
    return out;
}

} // namespace assets
