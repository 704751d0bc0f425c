#include "app/timer.h"

#include "platform/clock.h"

// The platform pauses precisely and keeps the window presented while it does.
void WaitMs(uint32_t ms) {
    if (ms != 0) plat::PauseMs(ms);
}
