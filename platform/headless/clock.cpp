// The headless clock: virtual, moved only when told to or by a pause, so runs take no real time;
// or, for benchmarks, the host's monotonic clock.
#include "platform/clock.h"

#include <sys/prctl.h>

#include <chrono>
#include <thread>

#include "platform/core/window_runtime.h"
#include "platform/headless.h"

namespace plat {
namespace {

int64_t virtualNs = 0;
bool realClock = false;

int64_t RealNs() {
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return duration_cast<nanoseconds>(steady_clock::now() - start).count();
}

} // namespace

namespace backend {

int64_t NowNs() {
    return realClock ? RealNs() : virtualNs;
}

} // namespace backend

namespace headless {

void SetClock(uint32_t ms) {
    virtualNs = static_cast<int64_t>(ms) * 1'000'000;
}

void AdvanceClock(uint32_t ms) {
    virtualNs += static_cast<int64_t>(ms) * 1'000'000;
}

void UseRealClock(bool real) {
    if (real) prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0); // tight sleeps, as the window's clock has
    realClock = real;
}

void WaitForClock(int64_t atNs) {
    if (!realClock) {
        if (atNs > virtualNs) virtualNs = atNs;
        return;
    }
    // Sleep to shortly before, then look until it is time.
    for (int64_t left; (left = atNs - RealNs()) > 0;)
        if (left > 200'000) std::this_thread::sleep_for(std::chrono::nanoseconds(left - 100'000));
}

} // namespace headless

uint32_t TickCountMs() {
    return static_cast<uint32_t>(backend::NowNs() / 1'000'000);
}

void PauseMs(uint32_t ms) {
    headless::WaitForClock(backend::NowNs() + static_cast<int64_t>(ms) * 1'000'000);
}

} // namespace plat
