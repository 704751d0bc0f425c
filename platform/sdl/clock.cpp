// The monotonic clock, the loop's wait (on the display, the wake sources and the deadline) and
// PauseMs, which keeps the window presented.
#include "platform/clock.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/prctl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "platform/core/window_runtime.h"
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

// The loop sleeps at most this long at a time (a modal layer's ImGui a little less).
constexpr int64_t kLongestSleepNs = 250'000'000, kLongestModalSleepNs = 100'000'000;

timespec Span(int64_t ns) {
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// Sleeps until the monotonic clock reaches deadline. With input, returns early as soon as input
// may be waiting (and, with a controller connected, after a short nap at the latest), or a wake
// source is readable (marked ready).
void WaitUntil(int64_t deadlineNs, bool input, std::vector<core::WakeSource>* sources) {
    if (input) {
        // Controllers do not wake the wait: they are read between waits, so it is cut short while
        // one is connected.
        UpdateGamepads();
        deadlineNs = std::min(deadlineNs, NowNs() + int64_t{GamepadWaitMs()} * 1'000'000);
    }
    int display = input && X11() ? XConnectionNumber(X11()) : -1;
    std::vector<pollfd> watch;
    if (display >= 0) watch.push_back({display, POLLIN, 0});
    if (sources)
        for (const core::WakeSource& w : *sources) watch.push_back({w.descriptor, POLLIN, 0});
    if (input && display < 0) {
        // No connection of our own to watch: SDL waits, in naps short enough for the wake sources.
        int64_t remaining = deadlineNs - NowNs();
        if (!watch.empty()) remaining = std::min<int64_t>(remaining, 5'000'000);
        if (remaining >= 2'000'000 &&
            SDL_WaitEventTimeout(nullptr, static_cast<int>(remaining / 1'000'000) - 1))
            return;
        if (!watch.empty()) deadlineNs = std::min(deadlineNs, NowNs() + 1'000'000);
    }
    if (display >= 0 && EventsWaiting()) return;
    // One sleep to the deadline, woken early only by what is watched: the kernel's timers are
    // precise to tens of microseconds once the slack is gone, and a wake-up that comes late by the
    // same amount every tick leaves the period as it is.
    for (int64_t remaining; (remaining = deadlineNs - NowNs()) > 0;) {
        timespec span = Span(remaining);
        if (watch.empty()) {
            nanosleep(&span, nullptr);
            continue;
        }
        if (ppoll(watch.data(), watch.size(), &span, nullptr) == 0) continue;
        // Input, a wake source, or a signal to look at.
        if (sources)
            for (size_t i = display >= 0 ? 1 : 0, k = 0; i < watch.size(); ++i, ++k)
                if (watch[i].revents) (*sources)[k].ready = true;
        return;
    }
}

} // namespace

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace sdl

namespace backend {

int64_t NowNs() {
    return sdl::NowNs();
}

void PollWakeSources(std::vector<core::WakeSource>& sources) {
    std::vector<pollfd> watch;
    for (const core::WakeSource& w : sources) watch.push_back({w.descriptor, POLLIN, 0});
    if (poll(watch.data(), watch.size(), 0) <= 0) return;
    for (size_t i = 0; i < watch.size(); ++i)
        if (watch[i].revents) sources[i].ready = true;
}

// Sleeps until the timer's deadline, or a frame held back may go, unless the tick comes within a
// frame of that: then the frame goes out right after the tick, one wake-up instead of two.
bool Wait(bool hasDeadline, int64_t atNs, std::vector<core::WakeSource>& sources) {
    int64_t wake = sdl::NowNs() + (core::ModalUp() ? sdl::kLongestModalSleepNs : sdl::kLongestSleepNs);
    if (hasDeadline) wake = std::min(wake, atNs);
    int64_t frame = 0;
    if (sdl::NextFrameTime(frame) && !(hasDeadline && atNs <= frame + sdl::FrameIntervalNs()))
        wake = std::min(wake, frame);
    sdl::WaitUntil(wake, sdl::HaveWindow(), &sources);
    return true;
}

} // namespace backend

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
            backend::PresentIfDue();
            int64_t frame;
            if (sdl::NextFrameTime(frame) && frame < wake) wake = frame;
        }
        sdl::WaitUntil(wake, false, nullptr);
    }
}

} // namespace plat
