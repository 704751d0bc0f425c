// The monotonic clock, the precise wait and PauseMs, which keeps the window presented.
#include "platform/clock.h"

#include <SDL.h>
#include <poll.h>
#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <ctime>

#include "platform/sdl/gamepads.h"
#include "platform/sdl/runtime.h"

namespace plat {
namespace sdl {
namespace {

const std::chrono::steady_clock::time_point start = [] {
    // Ask the kernel for tight sleeps: the default slack of 50 us would eat the tick budget.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    return std::chrono::steady_clock::now();
}();

timespec Span(int64_t ns) {
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

void WaitUntil(int64_t deadlineNs, bool wakeOnEvent) {
    if (wakeOnEvent) {
        // Controllers do not wake the wait: they are read between waits, so it is cut short while
        // one is connected.
        UpdateGamepads();
        deadlineNs = std::min(deadlineNs, NowNs() + int64_t{GamepadWaitMs()} * 1'000'000);
    }
    int display = wakeOnEvent ? DisplayConnection() : -1;
    if (wakeOnEvent && display < 0) {
        // No connection of our own to watch: SDL waits, to the millisecond, then the rest is slept.
        int64_t remaining = deadlineNs - NowNs();
        if (remaining >= 2'000'000 &&
            SDL_WaitEventTimeout(nullptr, static_cast<int>(remaining / 1'000'000) - 1))
            return;
    }
    if (wakeOnEvent && display >= 0 && EventsWaiting()) return;
    // One sleep to the deadline, woken early only by the display: the kernel's timers are precise
    // to tens of microseconds once the slack is gone, and a wake-up that comes late by the same
    // amount every tick leaves the period as it is.
    for (int64_t remaining; (remaining = deadlineNs - NowNs()) > 0;) {
        timespec span = Span(remaining);
        if (display >= 0) {
            pollfd watch{display, POLLIN, 0};
            if (ppoll(&watch, 1, &span, nullptr) != 0) return; // input, or a signal to look at
        } else {
            nanosleep(&span, nullptr);
        }
    }
}

} // namespace sdl

uint32_t TickCountMs() {
    return static_cast<uint32_t>(sdl::NowNs() / 1'000'000);
}

void PauseMs(uint32_t ms) {
    int64_t deadline = sdl::NowNs() + static_cast<int64_t>(ms) * 1'000'000;
    // Input waits in SDL's queue until the message loop takes it; only frames go out meanwhile.
    while (sdl::NowNs() < deadline) {
        int64_t wake = deadline;
        if (sdl::HaveWindow() && !sdl::InFrame()) {
            SDL_PumpEvents();
            sdl::PresentIfDue();
            int64_t present;
            if (sdl::NextPresentTime(present) && present < wake) wake = present;
        }
        sdl::WaitUntil(wake, false);
    }
}

} // namespace plat
