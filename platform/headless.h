// Controls of the headless back end, for tests and tools: a virtual clock, recorded message boxes.
#pragma once
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat::headless {

// The virtual clock starts at 0 and moves only when told to, or by PauseMs.
void SetClock(uint32_t ms);
void AdvanceClock(uint32_t ms);
// Switches to the host's monotonic clock (PauseMs then really waits), for benchmarks.
void UseRealClock(bool real);

struct RecordedMessageBox {
    Handle owner;
    std::string text;
    std::string caption;
};
// Every message box shown since the last clear, oldest first. Each returns at once, as if OK was pressed.
const std::vector<RecordedMessageBox>& MessageBoxes();
void ClearMessageBoxes();

} // namespace plat::headless
