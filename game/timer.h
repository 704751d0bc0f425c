// The game's tick: a periodic timer of 2 * gameSpeed + 10 ms, and the short pauses.
#pragma once
#include <cstdint>

#include "platform/types.h"

// The tick period of a speed setting, 2 * gameSpeed + 10 ms for the settings' 0..100.
uint32_t TickPeriod(int32_t gameSpeed);
void StartTickTimer(uint32_t periodMs);
void StopTickTimer();
void RestartTickTimer(uint32_t periodMs);
void TickTimerCallback(plat::Handle timerId, uint32_t message, uintptr_t user, uintptr_t reserved1,
                       uintptr_t reserved2);
void OnTick();

// What feeds the ticks from outside the window's own input (a replay being watched, a session
// across machines): before is asked just before each tick and hands the game that tick's input,
// or answers false when it is not all there yet (the tick then waits for it); after is told of
// each tick run. nullptr: the ticks run on their own.
struct TickFeed {
    bool (*before)();
    void (*after)();
};
void SetTickFeed(const TickFeed* feed);
