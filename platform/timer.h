// The periodic timer that drives the game's tick.
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace plat {

using TimerCallback = void (*)(Handle timer, uint32_t message, uintptr_t user, uintptr_t reserved1,
                               uintptr_t reserved2);

// Calls back every periodMs on absolute deadlines, on the window's thread between messages, never
// inside another callback; periods missed while a callback or a handler ran long are dropped, not
// made up in a burst. 0 when refused.
Handle StartPeriodicTimer(uint32_t periodMs, TimerCallback callback, uintptr_t user);
void StopPeriodicTimer(Handle timer);
// Called from inside a timer callback that could not do this period's work yet (its input is not
// all there): the callback is offered the period again as soon as a wake source (window.h) is
// ready, and otherwise at the next period's deadline. Nothing runs in between but messages. Once
// it runs, the deadlines follow from when it did: the ticks keep pace with their input.
void DeclineTick();

} // namespace plat
