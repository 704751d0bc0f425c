#include "game/timer.h"

#include "game/records.h"
#include "game/tick.h"
#include "gfx/starfield.h"
#include "platform/timer.h"

uint32_t TickPeriod(int32_t gameSpeed) {
    // prefs.prf is taken as it stands: a speed outside the slider's range would give a period of
    // days, or none at all, and the game would stand still; it runs at the nearest end instead.
    if (gameSpeed < 0) gameSpeed = 0;
    if (gameSpeed > 100) gameSpeed = 100;
    return static_cast<uint32_t>(2 * gameSpeed + 10);
}

void StartTickTimer(uint32_t periodMs) {
    game->tickTimerId = plat::StartPeriodicTimer(periodMs, TickTimerCallback, 0);
}

void StopTickTimer() {
    plat::StopPeriodicTimer(game->tickTimerId);
}

void RestartTickTimer(uint32_t periodMs) {
    StopTickTimer();
    StartTickTimer(periodMs);
}

namespace {
const TickFeed* tickFeed = nullptr;
}

void SetTickFeed(const TickFeed* feed) {
    tickFeed = feed;
}

void TickTimerCallback(Handle, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
    if (tickFeed && !tickFeed->before()) {
        plat::DeclineTick(); // offered again once its input may have come
        return;
    }
    OnTick();
    if (tickFeed) tickFeed->after();
}

void OnTick() {
    game->animFrame = static_cast<int16_t>(game->animFrame + 1);
    if (game->animFrame > 5) game->animFrame = 0;
    if (game->screenMode == 1) {
        ScrollerStep();
        DrawBox(70, 10);
        DrawBox(210, 10);
    }
    if (game->screenMode == 2) GameTick();
}
