// The monotonic clock, the precise wait and PauseMs, which keeps the window presented.
#include "platform/clock.h"

#include <SDL.h>
#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/sdl/gamepads.h"
#include "platform/sdl/runtime.h"

namespace plat {
namespace sdl {
namespace {

// How early the coarse sleep ends, and how much is left for the final spin.
constexpr int64_t kCoarseMarginNs = 2'000'000;
constexpr int64_t kSpinNs = 120'000;

const std::chrono::steady_clock::time_point start = [] {
    // Ask the kernel for tight sleeps: the default slack of 50 us would eat the tick budget.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    return std::chrono::steady_clock::now();
}();

} // namespace

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

void WaitUntil(int64_t deadlineNs, bool wakeOnEvent) {
    for (;;) {
        int64_t remaining = deadlineNs - NowNs();
        if (remaining <= 0) return;
        if (wakeOnEvent && remaining > kCoarseMarginNs + 1'000'000) {
            int ms = static_cast<int>((remaining - kCoarseMarginNs) / 1'000'000);
            // Controllers do not wake SDL's wait: they are read between waits.
            UpdateGamepads();
            if (SDL_WaitEventTimeout(nullptr, std::min(ms, GamepadWaitMs()))) return;
            continue;
        }
        if (remaining > kSpinNs) {
            std::this_thread::sleep_for(std::chrono::nanoseconds(remaining - kSpinNs));
            continue;
        }
        while (NowNs() < deadlineNs) std::this_thread::yield();
        return;
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
