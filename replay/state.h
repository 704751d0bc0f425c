// What decides the rest of a round beyond the settings, its seed and its input: the rule state,
// hashed to check that two runs went the same way, and the part of it a new round carries over
// from the one before.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace replay {

// FNV-1a 64 of the whole rule state: positions, headings and missiles, the preferences' players
// and settings (but not the audio settings, which are each listener's own), the field and
// everything in it, the stars and the random generator. Pictures and sounds are left out.
uint64_t RuleStateHash();

// What NewRound leaves as it was: the stopped missiles' places and timers, the triple volleys,
// the places, the animation frame and the explosion owner.
constexpr size_t kCarryBytes = 2 * 12 * 2 + 2 + 2 + 4 * 6 + 4 * 2 + 4;
using Carry = std::array<uint8_t, kCarryBytes>;
Carry TakeCarry();
void PutCarry(const Carry& carry);

// Lowercase hex of bytes, and back (false for anything but 2 * size hex digits).
std::string ToHex(const uint8_t* bytes, size_t size);
bool FromHex(const std::string& hex, uint8_t* bytes, size_t size);

} // namespace replay
