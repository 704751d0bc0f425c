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
    uint32_t atMs; // the clock when it was shown
};
// Every message box shown since the last clear, oldest first. Each returns at once, as if OK was pressed.
const std::vector<RecordedMessageBox>& MessageBoxes();
void ClearMessageBoxes();

} // namespace plat::headless

#include "platform/window.h"

namespace plat::headless {

// A message that NextMessage hands out once the virtual clock reaches atMs (to the main window).
void ScheduleMessage(uint32_t atMs, Msg msg, intptr_t first, intptr_t second);
// Everything back to the start: no window, class, timers, queued or scheduled messages.
void ResetWindowing();
// How often a paint was requested since the last reset.
int PaintRequests();
// The menus registered so far, for tests.
const std::vector<MenuItem>* MenuResource(const char* name);
// With nothing queued, scheduled or due, NextMessage sends the window one Close message, and
// after that returns the quit message with this code, so a headless run always ends.
constexpr int kIdleExitCode = 99;

} // namespace plat::headless
