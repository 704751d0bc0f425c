// The periodic timer that drives the game's tick.
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace plat {

using TimerCallback = void (*)(Handle timer, uint32_t message, uintptr_t user, uintptr_t reserved1,
                               uintptr_t reserved2);

// Calls back every periodMs on absolute deadlines, on the window's thread between messages, never
// overlapping a message handler; ticks missed while a long handler ran are dropped. 0 when refused.
Handle StartPeriodicTimer(uint32_t periodMs, TimerCallback callback, uintptr_t user);
void StopPeriodicTimer(Handle timer);

} // namespace plat
