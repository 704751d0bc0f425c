// The millisecond clock and short pauses.
#pragma once
#include <cstdint>

namespace plat {

// Milliseconds since some fixed start, monotonic, wrapping at 2^32.
uint32_t TickCountMs();
// Returns no earlier than ms milliseconds from now; handles no input. The window back end keeps
// presenting the surface meanwhile; the headless back end advances its virtual clock at once.
void PauseMs(uint32_t ms);

} // namespace plat
