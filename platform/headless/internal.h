// What the headless back end's parts tell each other.
#pragma once
#include <cstdint>

namespace plat::headless {

// Moves the clock to atNs: the virtual clock at once, the host's by waiting.
void WaitForClock(int64_t atNs);

} // namespace plat::headless
