// What the headless back end's parts tell each other.
#pragma once
#include <cstdint>

namespace plat::headless {

// True while a timer callback runs: a dialog opened there keeps the timer waiting.
bool InsideTimerCallback();
// Moves the virtual clock to target, running every timer callback that falls due on the way.
void RunTimersUntil(uint32_t target);

} // namespace plat::headless
