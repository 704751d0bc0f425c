#include "app/timer.h"

#include "game/records.h"
#include "game/tick.h"
#include "gfx/starfield.h"
#include "platform/timer.h"

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

void TickTimerCallback(Handle, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
    OnTick();
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
