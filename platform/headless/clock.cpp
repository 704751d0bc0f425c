#include "platform/clock.h"

#include <chrono>
#include <thread>

#include "platform/headless.h"

namespace plat {
namespace {
uint32_t virtualNow = 0;
bool realClock = false;

uint32_t RealNow() {
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}
} // namespace

uint32_t TickCountMs() {
    return realClock ? RealNow() : virtualNow;
}

void PauseMs(uint32_t ms) {
    if (!realClock) {
        virtualNow += ms;
        return;
    }
    uint32_t start = RealNow();
    while (RealNow() - start < ms) std::this_thread::sleep_for(std::chrono::microseconds(200));
}

namespace headless {
void SetClock(uint32_t ms) {
    virtualNow = ms;
}
void AdvanceClock(uint32_t ms) {
    virtualNow += ms;
}
void UseRealClock(bool real) {
    realClock = real;
}
} // namespace headless

} // namespace plat
