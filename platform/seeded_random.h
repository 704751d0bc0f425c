// splitmix64: a small seeded generator that gives the same numbers on every compiler (unlike
// <random>'s distributions), for the simulated network and the relay's drops and delays.
#pragma once
#include <cstdint>

namespace plat {

class SeededRandom {
  public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    // Uniform in -range .. range.
    int64_t Spread(uint32_t range) {
        if (range == 0) return 0;
        return static_cast<int64_t>(Next() % (2 * uint64_t{range} + 1)) - range;
    }

  private:
    uint64_t state_;
};

} // namespace plat
