// The window runtime both back ends share. Everything runs on the window's thread: messages are
// handed out one at a time, and timer callbacks and wake-source handlers run between them.
#include "platform/core/window_runtime.h"

#include <algorithm>
#include <deque>
#include <map>
#include <string>

#include "platform/surface.h"
#include "platform/timer.h"

namespace plat {
namespace core {
namespace {

constexpr Handle kMainWindow = 1;

struct Timer {
    int64_t period;
    int64_t next; // the deadline of the period to run next
    TimerCallback callback;
    uintptr_t user;
    // The callback declined its period: offered again once a wake source was ready (woken), or at
    // retryAt, the next period's deadline, whichever comes first.
    bool declined = false;
    bool woken = false;
    int64_t retryAt = 0;
};

struct State {
    std::map<std::string, WindowClass> classes;
    std::map<std::string, std::vector<MenuItem>> menus;
    std::map<std::string, Icon> icons;
    WindowProc proc = nullptr;
    bool windowExists = false;
    Handle surface = 0;
    std::deque<Message> queue;
    bool quitPosted = false;
    int quitCode = 0;
    bool paintPending = false; // painted once the queue is empty
    int paints = 0;
    bool idleCloseSent = false;
    std::map<Handle, Timer> timers;
    Handle nextTimer = 1;
    int callbackDepth = 0;
    bool declineAsked = false;
    std::vector<WakeSource> wakeSources;
    std::vector<std::function<void(bool top)>> layers; // innermost last
    bool (*keyClaim)(int key) = nullptr;
};

State& S() {
    static State state;
    return state;
}

// The period after `after` on a timer's grid of deadlines: the ones gone by are dropped.
int64_t NextOnGrid(int64_t deadline, int64_t period, int64_t after) {
    if (after < deadline) return deadline;
    return deadline + ((after - deadline) / period + 1) * period;
}

// Runs the handlers of the wake sources found ready; a tick that declined is offered again.
void RunReadyWakeSources() {
    State& s = S();
    if (s.callbackDepth > 0) return;
    // A handler may add or remove sources: work on a copy of those that are ready.
    std::vector<WakeSource> ready;
    for (WakeSource& w : s.wakeSources)
        if (w.ready) {
            w.ready = false;
            ready.push_back(w);
        }
    if (ready.empty()) return;
    for (const WakeSource& w : ready)
        if (w.handler) w.handler(w.user);
    for (auto& [id, t] : s.timers)
        if (t.declined) t.woken = true;
}

void PollWakeSources() {
    State& s = S();
    if (s.wakeSources.empty() || s.callbackDepth > 0) return;
    backend::PollWakeSources(s.wakeSources);
    RunReadyWakeSources();
}

// Waits until a timer, input, a wake source or a frame is due; false when nothing ever will be.
bool WaitForSomething() {
    int64_t at = 0;
    bool hasDeadline = NextTimerDeadline(at);
    bool alive = backend::Wait(hasDeadline, at, WatchedWakeSources());
    RunReadyWakeSources();
    return alive;
}

} // namespace

// --- input, paint, resources -----------------------------------------------------------------------

void PostInput(Msg msg, intptr_t first, intptr_t second) {
    State& s = S();
    // Only the latest position matters; a backlog of moves is folded into one.
    if (msg == Msg::MouseMove && !s.queue.empty() && s.queue.back().msg == Msg::MouseMove) {
        s.queue.back().second = second;
        return;
    }
    s.queue.push_back({kMainWindow, msg, first, second});
}

void NeedPaint() {
    S().paintPending = true;
}

bool KeyClaimed(int key) {
    return S().keyClaim && S().keyClaim(key);
}

const std::vector<MenuItem>* FindMenu(const char* name) {
    auto it = S().menus.find(name ? name : "");
    return it == S().menus.end() ? nullptr : &it->second;
}

const Icon* FindIcon(const char* name) {
    auto it = S().icons.find(name ? name : "");
    return it == S().icons.end() ? nullptr : &it->second;
}

Handle WindowSurface() {
    return S().surface;
}

// --- timers, wake sources, modal loops ---------------------------------------------------------------

bool InTimerCallback() {
    return S().callbackDepth > 0;
}

bool RunDueTimer() {
    State& s = S();
    if (s.callbackDepth > 0) return false;
    int64_t now = backend::NowNs();
    for (auto& [id, t] : s.timers) {
        bool due = t.declined ? (t.woken || now >= t.retryAt) : now >= t.next;
        if (!due) continue;
        Handle timerId = id;
        TimerCallback callback = t.callback;
        uintptr_t user = t.user;
        bool waited = t.declined;
        ++s.callbackDepth;
        s.declineAsked = false;
        callback(timerId, 0, user, 0, 0);
        --s.callbackDepth;
        bool declined = s.declineAsked;
        s.declineAsked = false;
        auto it = s.timers.find(timerId); // the callback may have stopped it
        if (it == s.timers.end()) return true;
        Timer& after = it->second;
        int64_t end = backend::NowNs();
        after.woken = false;
        if (declined) {
            after.declined = true;
            after.retryAt = NextOnGrid(after.next, after.period, end);
        } else {
            // The next deadline follows from this one, not from when it ran: no drift. Those that
            // went by while the callback (or a long handler before it) ran are dropped. A period
            // that waited for its input sets the grid from when it ran: the ticks keep pace with
            // their input rather than wait for it at every one.
            after.declined = false;
            after.next = NextOnGrid((waited ? now : after.next) + after.period, after.period, end);
        }
        return true;
    }
    return false;
}

bool NextTimerDeadline(int64_t& atNs) {
    State& s = S();
    if (s.callbackDepth > 0) return false;
    bool any = false;
    for (const auto& [id, t] : s.timers) {
        int64_t at = !t.declined ? t.next : t.woken ? backend::NowNs() : t.retryAt;
        if (!any || at < atNs) atNs = at, any = true;
    }
    return any;
}

std::vector<WakeSource>& WatchedWakeSources() {
    static std::vector<WakeSource> none;
    none.clear();
    return S().callbackDepth > 0 ? none : S().wakeSources;
}

ModalLayer::ModalLayer(std::function<void(bool top)> draw) : index(S().layers.size()) {
    S().layers.push_back(std::move(draw));
}

ModalLayer::~ModalLayer() {
    // Layers nest: the one going is always the innermost.
    State& s = S();
    if (index < s.layers.size()) s.layers.resize(index);
}

bool ModalUp() {
    return !S().layers.empty();
}

const std::vector<std::function<void(bool top)>>& ModalLayers() {
    return S().layers;
}

bool ModalTurn() {
    backend::PumpEvents();
    PollWakeSources();
    RunDueTimer();
    backend::PresentIfDue();
    return WaitForSomething();
}

void ModalTurnsUntil(int64_t atNs) {
    for (;;) {
        backend::PumpEvents();
        PollWakeSources();
        while (RunDueTimer()) {}
        backend::PresentIfDue();
        if (backend::NowNs() >= atNs) return;
        int64_t at = atNs;
        int64_t timer = 0;
        if (NextTimerDeadline(timer)) at = std::min(at, timer);
        if (!backend::Wait(true, at, WatchedWakeSources())) return;
        RunReadyWakeSources();
    }
}

uint32_t TimerPeriodMs(Handle timer) {
    auto it = S().timers.find(timer);
    return it == S().timers.end() ? 0 : static_cast<uint32_t>(it->second.period / 1'000'000);
}

void ResetRuntime() {
    S() = State{};
}

int PaintRequests() {
    return S().paints;
}

} // namespace core

// --- the public window operations -----------------------------------------------------------------

using core::S;

void RegisterMenuResource(const char* name, const MenuItem* items, int count) {
    if (!name || !items || count < 0) return;
    S().menus[name] = std::vector<MenuItem>(items, items + count);
}

void RegisterIconResource(const char* name, int width, int height, const uint32_t* rgba) {
    if (!name || !rgba || width <= 0 || height <= 0) return;
    S().icons[name] = {width, height,
                       std::vector<uint32_t>(rgba, rgba + static_cast<size_t>(width) * height)};
}

bool RegisterWindowClass(const WindowClass& windowClass) {
    if (!windowClass.className || !windowClass.proc) return false;
    S().classes[windowClass.className] = windowClass;
    return true;
}

void UnregisterWindowClass(const char* className) {
    S().classes.erase(className ? className : "");
}

Handle CreateMainWindow(const char* className, const char* title, int clientWidth, int clientHeight) {
    auto& s = S();
    auto it = s.classes.find(className ? className : "");
    if (it == s.classes.end() || s.windowExists) return 0;
    if (clientWidth != kScreenWidth || clientHeight != kScreenHeight) return 0;
    if (!backend::OpenWindow(title ? title : "", it->second)) return 0;
    s.proc = it->second.proc;
    s.windowExists = true;
    return core::kMainWindow;
}

void ShowWindow(Handle window, int showState) {
    if (window != core::kMainWindow || !S().windowExists) return;
    backend::ShowWindow(showState);
    if (showState != kHide) S().paintPending = true;
}

bool IsMinimised(Handle window) {
    return window == core::kMainWindow && S().windowExists && backend::IsMinimised();
}

void RestoreWindow(Handle window) {
    if (window != core::kMainWindow || !S().windowExists) return;
    if (backend::IsMinimised()) S().paintPending = true;
    backend::RestoreWindow();
}

void SetWindowTitle(Handle window, const char* title) {
    if (window == core::kMainWindow && S().windowExists) backend::SetTitle(title ? title : "");
}

void SetWindowNotice(Handle window, const char* text) {
    if (window == core::kMainWindow && S().windowExists) backend::ShowNotice(text ? text : "");
}

Handle AcquireWindowSurface(Handle window) {
    auto& s = S();
    if (window != core::kMainWindow || !s.windowExists) return 0;
    if (!s.surface) s.surface = CreateSurface(kScreenWidth, kScreenHeight);
    backend::ShowSurface(s.surface);
    return s.surface;
}

void ReleaseWindowSurface(Handle, Handle surface) {
    auto& s = S();
    // The window keeps showing the last frame presented.
    if (surface && surface == s.surface) {
        s.surface = 0;
        backend::ShowSurface(0);
    }
    DestroySurface(surface);
}

bool NextMessage(Message& message) {
    auto& s = S();
    for (;;) {
        // Input that arrives while a tick runs ends the wait below at once, so one look for
        // events a turn is enough.
        backend::PumpEvents();
        core::PollWakeSources();
        if (core::RunDueTimer()) continue;
        backend::PresentIfDue();
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
        if (s.paintPending && !(s.windowExists && backend::IsMinimised())) {
            s.paintPending = false;
            message = {core::kMainWindow, Msg::Paint, 0, 0};
            return true;
        }
        if (core::WaitForSomething()) continue;
        // Nothing can ever come (a headless run with nothing more scheduled): the window is
        // closed once, then the loop ends, so such a run always ends.
        if (!s.idleCloseSent && s.windowExists) {
            s.idleCloseSent = true;
            message = {core::kMainWindow, Msg::Close, 0, 0};
            return true;
        }
        message = {0, Msg::Other, core::kNothingLeftExitCode, 0};
        return false;
    }
}

intptr_t DispatchMessage(const Message& message) {
    auto& s = S();
    if (!s.proc || message.window != core::kMainWindow) return 0;
    return s.proc(message.window, message.msg, message.first, message.second);
}

void PostQuit(int exitCode) {
    S().quitPosted = true;
    S().quitCode = exitCode;
}

void PostToWindow(Handle window, Msg msg, intptr_t first, intptr_t second) {
    if (window == core::kMainWindow) S().queue.push_back({window, msg, first, second});
}

void RequestPaint(Handle window) {
    InvalidateWindow(window);
}

void InvalidateWindow(Handle window) {
    if (window != core::kMainWindow) return;
    ++S().paints;
    S().paintPending = true;
}

intptr_t DefaultWindowProc(Handle, Msg, intptr_t, intptr_t) {
    return 0;
}

void AddWakeSource(int descriptor, WakeHandler handler, uintptr_t user) {
    RemoveWakeSource(descriptor);
    S().wakeSources.push_back({descriptor, handler, user, false});
}

void RemoveWakeSource(int descriptor) {
    auto& sources = S().wakeSources;
    sources.erase(std::remove_if(sources.begin(), sources.end(),
                                 [&](const core::WakeSource& w) { return w.descriptor == descriptor; }),
                  sources.end());
}

void SetKeyClaim(bool (*claimed)(int key)) {
    S().keyClaim = claimed;
}

void CloseWindowing() {
    auto& s = S();
    s.layers.clear();
    if (s.surface) DestroySurface(s.surface);
    s.surface = 0;
    if (s.windowExists) backend::CloseWindow();
    s.windowExists = false;
    s.proc = nullptr;
    s.queue.clear();
}

Handle StartPeriodicTimer(uint32_t periodMs, TimerCallback callback, uintptr_t user) {
    auto& s = S();
    if (!callback || periodMs == 0) return 0;
    Handle id = s.nextTimer++;
    if (s.nextTimer == 0) s.nextTimer = 1;
    int64_t period = static_cast<int64_t>(periodMs) * 1'000'000;
    s.timers[id] = {period, backend::NowNs() + period, callback, user};
    return id;
}

void StopPeriodicTimer(Handle timer) {
    S().timers.erase(timer);
}

void DeclineTick() {
    if (S().callbackDepth > 0) S().declineAsked = true;
}

} // namespace plat
