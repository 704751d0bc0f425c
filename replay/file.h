// A replay file: one round as it was played, in text. The first line names the format and its
// version; then how the round began (the settings image, what the round carried over, its seed and
// what started it); then, tick by tick, the input of each tick (key-downs, settings changed), a
// hash of the rule state every kCheckpointTicks ticks, and the end with the last hash.
//
//   tarvel4 replay 1
//   made 2026-12-10 21:04:05
//   start f8
//   seed 123456
//   prefs <434 hex digits: the 217 bytes of prefs.prf>
//   carry <176 hex digits>
//   12 k 38 17          key-downs handled just before tick 12, in order
//   40 s <434 hex>      the settings as they stand from just before tick 40 (before its keys)
//   100 h <16 hex>      the rule state after tick 100
//   1234 end results <16 hex>
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "replay/state.h"

namespace replay {

constexpr int kFormatVersion = 1;
constexpr long kCheckpointTicks = 100;
constexpr size_t kImageBytes = 217;
using Image = std::array<uint8_t, kImageBytes>; // prefs.prf's bytes

// How the round began: by F8 (its whole key handling), by NewGame or the play button (NewRound
// alone), or by the automatic restart inside the round's first tick.
enum class Start { F8, NewRound, Automatic };
// How it ended: its results drawn (at the end tick), or left before the end tick's input by F5,
// a new round, or quitting.
enum class End { Results, TitleScreen, NewRound, Quit };

struct Event {
    enum class Kind : uint8_t { Keys, Settings, Checkpoint } kind;
    long tick;
    uint32_t first = 0, count = 0; // Keys: Replay::keys[first .. first + count); Settings: images[first]
    uint64_t hash = 0;             // Checkpoint
};

struct Replay {
    std::string made; // local date and time, "YYYY-MM-DD HH:MM:SS"
    Start start = Start::F8;
    uint32_t seed = 0;
    Image prefs{};
    Carry carry{};
    std::vector<Event> events; // by tick
    std::vector<uint32_t> keys;
    std::vector<Image> images;
    long endTick = 0;
    End end = End::Results;
    uint64_t endHash = 0; // after the end tick (results), or after the tick before it
};

std::string WriteReplay(const Replay& replay);
// Reads a replay, taking nothing on trust: false with a message for a player ("not a replay",
// "made by a newer version of Tarvel 4", or what is wrong on which line).
bool ReadReplay(const std::string& text, Replay& replay, std::string& error);

// Files larger than this are not replays (a five-minute round of four players is some 40 KB).
constexpr size_t kLargestFile = 4 << 20;
// The last tick a replay may name: a day at the fastest speed.
constexpr long kLastTick = 24L * 60 * 60 * 100;

} // namespace replay
