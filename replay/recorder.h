// Recording a round as it is played: its beginning, the input of each tick, checkpoints, its end;
// and keeping the finished replays in a folder.
#pragma once
#include <cstdint>
#include <string>

#include "replay/file.h"

namespace replay {

class Recorder {
  public:
    // A round begins now: the settings as they stand, what it carried over, its seed and what
    // started it. A round still being recorded must be finished first.
    void Begin(Start start, uint32_t seed, const Carry& carry, const std::string& made = "");
    bool Recording() const { return recording; }
    // The tick the input handled now comes before.
    long NextTick() const { return next; }
    // The round has begun (the message that began it is handled): the state it ends in when it is
    // left before its first tick.
    void NoteStart() { lastHash = RuleStateHash(); }
    // Settings changed since they were last recorded go in as of the next tick.
    void NoteSettings();
    // A key-down handled before the next tick (after the settings it may have changed).
    void Key(uint32_t code);
    // Around each tick of the round: true after the tick that drew the results.
    void TickStarting();
    bool TickRan();
    // Ends the recording: by its results (after the tick that drew them) or by leaving the round
    // before the next tick.
    Replay Finish(End end);

  private:
    Replay current;
    Image lastImage{};
    bool recording = false;
    long next = 1;
    uint8_t leftBefore = 0;
    uint64_t lastHash = 0; // after the last tick run
};

// Writes a finished replay into folder as a new file named by the time it was made
// ("2026-12-10_21-04-05.t4replay"), never half written, and keeps only the newest `keep` replays
// there. False, with the reason, when it cannot be written.
bool SaveReplay(const Replay& replay, const std::string& folder, int keep, std::string& error);
// The newest replay in a folder, "" when there is none.
std::string NewestReplay(const std::string& folder);
// Reads a replay file; false with a message for a player.
bool LoadReplay(const std::string& path, Replay& replay, std::string& error);

constexpr const char* kReplayExtension = ".t4replay";

} // namespace replay
