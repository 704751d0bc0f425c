// Playing a replay's round on the records, tick by tick, checking that it goes as it went.
#pragma once
#include <string>

#include "replay/file.h"

namespace replay {

class Playback {
  public:
    explicit Playback(Replay replay);
    ~Playback();
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    // Puts the round's beginning in place and starts it: the settings (keeping the audio bytes
    // that are in the records now, when keepAudio), what it carried over, its seed. A round begun by
    // the automatic restart starts inside its first tick.
    void Begin(bool keepAudio);
    // The tick to run next: 1, 2, ...; and whether the replay has reached its end.
    long NextTick() const { return next; }
    bool Done() const { return done; }
    long EndTick() const { return replay.endTick; }
    // Before the next tick: the settings and key-downs handled before it, in order. True when the
    // tick period changed with them.
    bool BeforeTick();
    // After it: false, with Error() naming the tick, when the rule state is not what was recorded.
    bool AfterTick();
    const std::string& Error() const { return error; }
    // How many ticks the replay plays.
    long Ticks() const;

  private:
    bool Check(long tick, uint64_t expected);

    Replay replay;
    size_t at = 0; // the next event
    long next = 1;
    bool done = false;
    bool keepAudio = false;
    std::string error;
};

} // namespace replay
