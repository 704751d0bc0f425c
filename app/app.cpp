// Start-up with its intro, the message loop, and shutdown with its exit animation.
#include "app/app.h"

#include "app/input.h"
#include "audio/audio.h"
#include "game/records.h"
#include "game/timer.h"
#include "gfx/canvas.h"
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "resources/resources.h"
#include "settings/prefs.h"

namespace {

constexpr const char* kClassName = "SampleWClass";

// The audio library writes handles through a pointer; the record is packed, so go through a local.
int32_t LoadWave(const char* path, int32_t handle) {
    uint32_t wave = static_cast<uint32_t>(handle);
    plat::ALoadWaveFile(path, &wave, 0);
    return static_cast<int32_t>(wave);
}

void SelectClip(int left, int top, int right, int bottom) {
    Handle region = plat::CreateRectRegion(left, top, right, bottom);
    plat::SelectClipRegion(game->windowDC, region);
    plat::DeleteRegion(region);
}

// The title lettering revealed from its right edge in 8-pixel strips.
void Wipe() {
    for (double e = 630.0; e > 309.0; e -= 8.0) {
        Handle region = plat::CreateRectRegion(static_cast<int>(e), 0, 640, 480);
        plat::SelectClipRegion(game->windowDC, region);
        BlitBitmapFile("graphics\\1tarv.bmp", 310, 210, 310, 50);
        plat::DeleteRegion(region);
    }
    SelectClip(0, 0, 640, 480);
}

// The yellow square growing from the centre, 0.1 to 410 pixels by 1.001 a step. Drawing alone
// would take no time at all, so the steps are spread over about a second and a half.
void GrowingSquare() {
    constexpr uint32_t kDurationMs = 1500;
    int steps = 0;
    for (double s = 0.1; s < 410.0; s *= 1.001) ++steps;
    uint32_t start = plat::TickCountMs();
    int step = 0;
    double s = 0.1;
    while (s < 410.0) {
        s = s * 1.001;
        FillBox(static_cast<int32_t>(320 - s * 0.5), static_cast<int32_t>(240 - s * 0.5),
                static_cast<int32_t>(s), static_cast<int32_t>(s), 0x00FFFF);
        ++step;
        uint32_t due = static_cast<uint32_t>(static_cast<uint64_t>(step) * kDurationMs / steps);
        uint32_t elapsed = plat::TickCountMs() - start;
        if (due > elapsed) WaitMs(due - elapsed);
    }
}

void Intro() {
    BlitBitmapFile("graphics\\vex.bmp", 0, 0, 640, 480);
    uint32_t t = plat::TickCountMs();
    LoadSprites();
    game->soundKaboom = LoadWave("sounds\\kaboom.wav", game->soundKaboom);
    game->soundJiha = LoadWave("sounds\\jiha.wav", game->soundJiha);
    game->soundKlick = LoadWave("sounds\\klick.wav", game->soundKlick);
    game->soundMissil = LoadWave("sounds\\missil.wav", game->soundMissil);
    game->scrollerLength[0] = ReadTextFile("about.txt", game->scrollerText[0], -1);
    game->scrollerLength[1] = ReadTextFile("about2.txt", game->scrollerText[1], -1);
    game->scrollerLength[2] = ReadTextFile("about3.txt", game->scrollerText[2], -1);
    // The splash stays up for at least half a second after loading began.
    uint32_t elapsed = plat::TickCountMs() - t;
    if (elapsed < 500) WaitMs(500 - elapsed);
    WaitMs(60);
    FillBox(0, 0, 640, 480, 0);
    Wipe();
    PlayEffect(game->soundJiha);
    WaitMs(700);
    PlayEffect(game->soundMissil);
    GrowingSquare();
    PlayEffect(game->soundKaboom);
    FillBox(0, 0, 640, 480, 0x00FFFF);
    WaitMs(60);
    FillBox(0, 0, 640, 480, 0);
    WaitMs(500);
    BlitBitmapFile("graphics\\t4logo.bmp", 0, 0, 600, 400);
}

// Explosions scattered over the window for one second; a sprite a millisecond keeps it visible.
void ExitAnimation() {
    uint32_t start = plat::TickCountMs();
    while (plat::TickCountMs() - start < 1000) {
        int16_t y = static_cast<int16_t>(Random() % 500 - 20);
        int16_t x = static_cast<int16_t>(Random() % 660 - 20);
        DrawSprite(game->imgLargeExplosion, 0, x, y);
        WaitMs(1);
    }
}

} // namespace

int AppMain(Handle, int showState) {
    if (!AllocateRecords()) return -5;
    game->scrollerX[0] = 640;
    game->scrollerX[1] = 1340;
    game->scrollerX[2] = 2040;

    RegisterResources();
    const plat::WindowClass windowClass = {MainWindowProc, "TARVICON", "TARVMENU", kClassName};
    game->windowClass = windowClass;
    if (!plat::RegisterWindowClass(windowClass)) return 0;

    Handle window = plat::CreateMainWindow(kClassName, "Tarvel 4", plat::kScreenWidth, plat::kScreenHeight);
    if (!window) {
        // Without a window there is nothing to run.
        plat::UnregisterWindowClass(kClassName);
        FreeRecords();
        return 0;
    }
    game->mainWindow = window;
    plat::ShowWindow(window, showState);
    game->windowDC = plat::AcquireWindowSurface(window);
    game->screenMode = 1;
    LoadPrefs();
    plat::AInitialize();
    OpenAudio();
    StartMusic("sounds\\music.xm");
    Intro();
    StartTickTimer(TickPeriod(game->gameSpeed));

    plat::Message message{};
    while (plat::NextMessage(message)) plat::DispatchMessage(message);
    int quitValue = static_cast<int>(message.first);

    StopTickTimer();
    if (plat::IsMinimised(window)) {
        plat::RestoreWindow(window);
        FillBox(0, 0, 640, 480, 0);
        BlitBitmapFile("graphics\\t4logo.bmp", 0, 0, 600, 400);
    }
    game->screenMode = 0;
    ExitAnimation();
    plat::ReleaseWindowSurface(window, game->windowDC);
    game->windowDC = 0;
    plat::ACloseVoices();
    StopMusic();
    plat::AFreeWaveFile(static_cast<uint32_t>(game->soundKaboom));
    plat::AFreeWaveFile(static_cast<uint32_t>(game->soundJiha));
    plat::AFreeWaveFile(static_cast<uint32_t>(game->soundKlick));
    plat::AFreeWaveFile(static_cast<uint32_t>(game->soundMissil));
    CloseAudio();
    ReleaseSprites();
    SavePrefs();
    FreeRecords();
    plat::UnregisterWindowClass(kClassName);
    return quitValue;
}
