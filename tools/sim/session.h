// The simulator as one machine of a session across machines, over real UDP (ENet): a host that
// waits for the others, or a joiner. Each plays its key script (codes as pressed there, through its
// own players' keys) from the tick everyone is in, and writes the trace of those ticks. Unpaced, each
// tick runs as soon as its input is there; paced, as in the game, no sooner than its deadline.
#pragma once
#include <cstdio>
#include <string>

#include "tools/sim/simulator.h"

namespace sim {

struct SessionConfig {
    bool host = false;
    uint16_t port = 0;   // the host's, or the one to join at
    std::string address; // joiner: the host
    int machines = 2;    // host: how many play, itself included
    Prefs prefs;         // host: the settings and players; joiner: its own player (first human slot)
    uint32_t seed = 1;   // host: the session's seed
    long ticks = 1000;   // after everyone is in
    KeyScript keys;      // pressed just before tick TICK (1 = the first tick with everyone in)
    std::FILE* trace = nullptr;
    double seconds = 60; // gives up after this long (paced: beyond the ticks' own time)
    // Ticks are due on this machine's own grid of periods, as the game's timer has them, and wait
    // there for their input; the statistics of the ticks with everyone in go to standard error.
    bool paced = false;
};

// 0 when every tick ran; 1 when the session ended before (the reason on standard error).
int RunSession(const SessionConfig& config);

} // namespace sim
