// The headless window: no screen, scheduled messages standing in for the player, fake wake
// sources that become ready at a virtual time. Waiting moves the virtual clock straight to
// whatever happens next, so a run takes no real time.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/core/window_runtime.h"
#include "platform/headless.h"
#include "platform/headless/internal.h"

namespace plat {
namespace {

constexpr int64_t kRunLimitNs = int64_t{30} * 60 * 1'000'000'000; // a run ends after half an hour

struct Scheduled {
    int64_t at;
    Msg msg;
    intptr_t first, second;
};

struct State {
    bool minimised = false;
    std::string title;
    std::string notice;
    int64_t started = 0;
    std::vector<Scheduled> scheduled;   // in the order scheduled
    std::map<int, int64_t> fakeReadyAt; // fake wake sources armed, by descriptor
};

State& S() {
    static State state;
    return state;
}

// A virtual millisecond as TickCountMs reads it, on the clock's own 64-bit count.
int64_t AtNs(uint32_t ms) {
    int64_t now = backend::NowNs();
    return now + static_cast<int64_t>(static_cast<int32_t>(ms - static_cast<uint32_t>(now / 1'000'000))) *
                     1'000'000;
}

} // namespace

namespace backend {

bool OpenWindow(const char* title, const WindowClass&) {
    S().title = title;
    S().started = NowNs();
    return true;
}

void ShowWindow(int showState) {
    S().minimised =
        showState == kShowMinimised || showState == kMinimise || showState == kShowMinimisedNoActivate;
}

bool IsMinimised() {
    return S().minimised;
}

void RestoreWindow() {
    S().minimised = false;
}

void SetTitle(const char* title) {
    S().title = title;
}

void ShowNotice(const char* text) {
    S().notice = text;
}

void ShowSurface(Handle) {}

void CloseWindow() {}

void PumpEvents() {
    State& s = S();
    int64_t now = NowNs();
    // Due messages go out in the order they were scheduled.
    for (auto it = s.scheduled.begin(); it != s.scheduled.end();) {
        if (it->at > now) {
            ++it;
            continue;
        }
        PostToWindow(1, it->msg, it->first, it->second);
        it = s.scheduled.erase(it);
    }
}

void PresentIfDue() {}

void PollWakeSources(std::vector<core::WakeSource>& sources) {
    State& s = S();
    int64_t now = NowNs();
    for (core::WakeSource& w : sources) {
        auto armed = s.fakeReadyAt.find(w.descriptor);
        if (armed != s.fakeReadyAt.end() && armed->second <= now) {
            w.ready = true;
            s.fakeReadyAt.erase(armed);
        }
    }
}

bool Wait(bool hasDeadline, int64_t atNs, std::vector<core::WakeSource>& sources) {
    State& s = S();
    bool any = hasDeadline;
    int64_t next = atNs;
    auto consider = [&](int64_t at) {
        if (!any || at < next) next = at;
        any = true;
    };
    for (const Scheduled& e : s.scheduled) consider(e.at);
    for (const core::WakeSource& w : sources) {
        auto armed = s.fakeReadyAt.find(w.descriptor);
        if (armed != s.fakeReadyAt.end()) consider(armed->second);
    }
    if (!any || next - s.started > kRunLimitNs) return false;
    headless::WaitForClock(next);
    PollWakeSources(sources);
    return true;
}

} // namespace backend

namespace headless {

void ScheduleMessage(uint32_t atMs, Msg msg, intptr_t first, intptr_t second) {
    S().scheduled.push_back({AtNs(atMs), msg, first, second});
}

void ArmFakeWakeSource(int descriptor, uint32_t readyAtMs) {
    S().fakeReadyAt[descriptor] = AtNs(readyAtMs);
}

void ResetWindowing() {
    core::ResetRuntime();
    S() = State{};
}

int PaintRequests() {
    return core::PaintRequests();
}

const std::vector<MenuItem>* MenuResource(const char* name) {
    return core::FindMenu(name);
}

uint32_t TimerPeriod(Handle timer) {
    return core::TimerPeriodMs(timer);
}

std::string WindowTitle() {
    return S().title;
}

std::string WindowNotice() {
    return S().notice;
}

} // namespace headless
} // namespace plat
