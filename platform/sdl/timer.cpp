// Periodic timers on absolute deadlines, run on the window's thread between messages.
#include "platform/timer.h"

#include <map>

#include "platform/sdl/runtime.h"

namespace plat {
namespace {

struct Timer {
    int64_t periodNs;
    int64_t nextNs;
    TimerCallback callback;
    uintptr_t user;
};

std::map<Handle, Timer> timers;
Handle nextTimer = 1;
int callbackDepth = 0;

} // namespace

Handle StartPeriodicTimer(uint32_t periodMs, TimerCallback callback, uintptr_t user) {
    if (!callback || periodMs == 0) return 0;
    Handle id = nextTimer++;
    if (nextTimer == 0) nextTimer = 1;
    int64_t period = static_cast<int64_t>(periodMs) * 1'000'000;
    timers[id] = {period, sdl::NowNs() + period, callback, user};
    return id;
}

void StopPeriodicTimer(Handle timer) {
    timers.erase(timer);
}

namespace sdl {

bool InTimerCallback() {
    return callbackDepth > 0;
}

bool NextTimerDeadline(int64_t& deadlineNs) {
    if (callbackDepth > 0 || timers.empty()) return false;
    bool any = false;
    for (const auto& [id, t] : timers)
        if (!any || t.nextNs < deadlineNs) deadlineNs = t.nextNs, any = true;
    return any;
}

bool RunDueTimer() {
    if (callbackDepth > 0) return false;
    int64_t now = NowNs();
    for (auto& [id, t] : timers) {
        if (t.nextNs > now) continue;
        Handle timerId = id;
        TimerCallback callback = t.callback;
        uintptr_t user = t.user;
        // The next deadline follows from this one, not from when we got here: no drift.
        t.nextNs += t.periodNs;
        ++callbackDepth;
        callback(timerId, 0, user, 0, 0);
        --callbackDepth;
        auto it = timers.find(timerId);
        if (it != timers.end()) {
            // Deadlines that went by while the callback (or a long handler) ran are dropped; one
            // that is less than half a period late still runs, so jitter never costs a tick.
            Timer& after = it->second;
            int64_t late = NowNs() - after.nextNs;
            if (late > after.periodNs / 2)
                after.nextNs += (late + after.periodNs / 2) / after.periodNs * after.periodNs;
        }
        return true;
    }
    return false;
}

} // namespace sdl
} // namespace plat
