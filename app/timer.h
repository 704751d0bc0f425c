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
// Holds the calling thread for at least ms milliseconds; no input is handled meanwhile.
void WaitMs(uint32_t ms);
