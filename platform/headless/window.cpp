// The headless window: one window, a message queue and virtual-time timers. NextMessage moves the
// virtual clock straight to the next timer deadline or scheduled message, so runs take no real time.
#include <algorithm>
#include <deque>
#include <map>
#include <string>

#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/headless/internal.h"
#include "platform/surface.h"
#include "platform/timer.h"
#include "platform/window.h"

namespace plat {
namespace {

constexpr Handle kMainWindow = 1;
constexpr uint32_t kRunLimitMs = 30 * 60 * 1000; // a headless run ends after half an hour of virtual time

struct Timer {
    uint32_t period;
    uint32_t next;
    TimerCallback callback;
    uintptr_t user;
};

struct Scheduled {
    uint32_t at;
    Message message;
};

struct State {
    std::map<std::string, WindowClass> classes;
    std::map<std::string, std::vector<MenuItem>> menus;
    WindowProc proc = nullptr;
    bool windowExists = false;
    bool minimised = false;
    std::deque<Message> queue;
    bool quitPosted = false;
    int quitCode = 0;
    std::map<Handle, Timer> timers;
    Handle nextTimer = 1;
    std::vector<Scheduled> scheduled;
    bool idleCloseSent = false;
    bool paintPending = false; // shown and not painted since: painted once the queue is empty
    int paints = 0;
    uint32_t started = 0;
    int insideTimer = 0;
};

State& S() {
    static State state;
    return state;
}

// Runs every timer whose deadline has come; a callback that overran drops the missed ticks.
bool RunDueTimer() {
    State& s = S();
    uint32_t now = TickCountMs();
    for (auto& [id, t] : s.timers) {
        if (static_cast<int32_t>(now - t.next) < 0) continue;
        Handle timerId = id;
        TimerCallback callback = t.callback;
        uintptr_t user = t.user;
        t.next += t.period;
        ++s.insideTimer;
        callback(timerId, 0, user, 0, 0);
        --s.insideTimer;
        auto it = s.timers.find(timerId);
        if (it != s.timers.end()) {
            uint32_t after = TickCountMs();
            while (static_cast<int32_t>(after - it->second.next) >= 0) it->second.next += it->second.period;
        }
        return true;
    }
    return false;
}

} // namespace

void RegisterMenuResource(const char* name, const MenuItem* items, int count) {
    S().menus[name] = std::vector<MenuItem>(items, items + count);
}

void RegisterIconResource(const char*, int, int, const uint32_t*) {}

bool RegisterWindowClass(const WindowClass& windowClass) {
    if (!windowClass.className || !windowClass.proc) return false;
    S().classes[windowClass.className] = windowClass;
    return true;
}

void UnregisterWindowClass(const char* className, Handle) {
    S().classes.erase(className ? className : "");
}

Handle CreateMainWindow(const char* className, const char*, int, int) {
    State& s = S();
    auto it = s.classes.find(className ? className : "");
    if (it == s.classes.end() || s.windowExists) return 0;
    s.proc = it->second.proc;
    s.windowExists = true;
    s.started = TickCountMs();
    s.proc(kMainWindow, Msg::Create, 0, 0);
    return kMainWindow;
}

void ShowWindow(Handle window, int showState) {
    if (window != kMainWindow) return;
    S().minimised = showState == 6 || showState == 2 || showState == 7;
    if (showState != 0) S().paintPending = true;
}

bool IsMinimised(Handle window) {
    return window == kMainWindow && S().minimised;
}

void RestoreWindow(Handle window) {
    if (window != kMainWindow) return;
    if (S().minimised) S().paintPending = true;
    S().minimised = false;
}

Handle AcquireWindowSurface(Handle window) {
    return window == kMainWindow ? CreateSurface(kScreenWidth, kScreenHeight) : 0;
}

void ReleaseWindowSurface(Handle, Handle surface) {
    DestroySurface(surface);
}

bool NextMessage(Message& message) {
    State& s = S();
    for (;;) {
        if (RunDueTimer()) continue;
        if (!s.queue.empty()) {
            message = s.queue.front();
            s.queue.pop_front();
            return true;
        }
        if (s.quitPosted) {
            s.quitPosted = false;
            message = {0, Msg::Other, s.quitCode, 0};
            return false;
        }
        if (s.paintPending && !s.minimised) {
            s.paintPending = false;
            message = {kMainWindow, Msg::Paint, 0, 0};
            return true;
        }
        // Nothing to hand out now: move the clock to whatever happens next.
        uint32_t now = TickCountMs();
        bool any = false;
        uint32_t next = 0;
        for (auto& [id, t] : s.timers)
            if (!any || static_cast<int32_t>(t.next - next) < 0) next = t.next, any = true;
        for (const Scheduled& e : s.scheduled)
            if (!any || static_cast<int32_t>(e.at - next) < 0) next = e.at, any = true;
        if (any && next - s.started <= kRunLimitMs) {
            if (static_cast<int32_t>(next - now) > 0) headless::AdvanceClock(next - now);
            now = TickCountMs();
            auto due = std::find_if(s.scheduled.begin(), s.scheduled.end(), [&](const Scheduled& e) {
                return static_cast<int32_t>(now - e.at) >= 0;
            });
            if (due != s.scheduled.end()) {
                s.queue.push_back(due->message);
                s.scheduled.erase(due);
            }
            continue;
        }
        if (!s.idleCloseSent && s.windowExists) {
            s.idleCloseSent = true;
            message = {kMainWindow, Msg::Close, 0, 0};
            return true;
        }
        message = {0, Msg::Other, headless::kIdleExitCode, 0};
        return false;
    }
}

intptr_t DispatchMessage(const Message& message) {
    State& s = S();
    if (!s.proc || message.window != kMainWindow) return 0;
    return s.proc(message.window, message.msg, message.first, message.second);
}

void PostQuit(int exitCode) {
    S().quitPosted = true;
    S().quitCode = exitCode;
}

void PostToWindow(Handle window, Msg msg, intptr_t first, intptr_t second) {
    S().queue.push_back({window, msg, first, second});
}

void RequestPaint(Handle window) {
    ++S().paints;
    PostToWindow(window, Msg::Paint, 0, 0);
}

void InvalidateWindow(Handle window) {
    if (window != kMainWindow) return;
    ++S().paints;
    S().paintPending = true;
}

intptr_t DefaultWindowProc(Handle, Msg, intptr_t, intptr_t) {
    return 0;
}

Handle StartPeriodicTimer(uint32_t periodMs, TimerCallback callback, uintptr_t user) {
    State& s = S();
    if (!callback || periodMs == 0) return 0;
    Handle id = s.nextTimer++;
    s.timers[id] = {periodMs, TickCountMs() + periodMs, callback, user};
    return id;
}

void StopPeriodicTimer(Handle timer) {
    S().timers.erase(timer);
}

namespace headless {

bool InsideTimerCallback() {
    return S().insideTimer > 0;
}

void RunTimersUntil(uint32_t target) {
    for (;;) {
        while (RunDueTimer()) {}
        uint32_t now = TickCountMs();
        if (static_cast<int32_t>(target - now) <= 0) return;
        uint32_t next = target;
        for (auto& [id, t] : S().timers)
            if (static_cast<int32_t>(t.next - next) < 0) next = t.next;
        if (static_cast<int32_t>(next - now) > 0) AdvanceClock(next - now);
    }
}

uint32_t TimerPeriod(Handle timer) {
    auto it = S().timers.find(timer);
    return it == S().timers.end() ? 0 : it->second.period;
}

void ScheduleMessage(uint32_t atMs, Msg msg, intptr_t first, intptr_t second) {
    S().scheduled.push_back({atMs, {kMainWindow, msg, first, second}});
}

void ResetWindowing() {
    S() = State{};
}

int PaintRequests() {
    return S().paints;
}

const std::vector<MenuItem>* MenuResource(const char* name) {
    auto it = S().menus.find(name);
    return it == S().menus.end() ? nullptr : &it->second;
}

} // namespace headless
} // namespace plat
