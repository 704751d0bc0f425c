// timer_bench periods [seconds]      tick accuracy at 10, 50 and 210 ms
// timer_bench round <seconds>        CPU share of a 4-computer round at speed 0 (run in a game directory)
// timer_bench behaviour              the shared window runtime on this back end: catch-up, a declined
//                                    tick woken by a descriptor, paints, the quit message, a modal
//                                    layer; exit status 1 when one does not hold
//
// The timer runs exactly as in the game: periodic, on the window's thread between messages, while
// the loop takes messages. The sdl build needs a display; the headless one uses the host's clock.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "app/input.h"
#include "game/records.h"
#include "game/round.h"
#include "game/timer.h"
#include "gfx/canvas.h"
#include "platform/clock.h"
#include "platform/core/window_runtime.h"
#include "platform/surface.h"
#include "platform/timer.h"
#include "platform/window.h"
#ifdef TARVEL_BENCH_HEADLESS
#include "platform/headless.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;
std::vector<double> stamps; // ms since the first tick
Clock::time_point origin;
Handle surface = 0;
uint32_t ticksWanted = 0;
Handle benchTimer = 0;

void Stamp(Handle, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
    auto now = Clock::now();
    if (stamps.empty()) origin = now;
    stamps.push_back(std::chrono::duration<double, std::milli>(now - origin).count());
    // A little drawing, so each tick is presented as in the game.
    plat::FillRect(surface, static_cast<int>(stamps.size() % 600), 10,
                   static_cast<int>(stamps.size() % 600) + 5, 15, 0x00FFFF);
    if (stamps.size() >= ticksWanted) {
        plat::StopPeriodicTimer(benchTimer);
        plat::PostQuit(0);
    }
}

intptr_t Proc(Handle w, plat::Msg m, intptr_t a, intptr_t b) {
    if (game && game->windowDC) return MainWindowProc(w, m, a, b);
    if (m == plat::Msg::Close) plat::PostQuit(0);
    return plat::DefaultWindowProc(w, m, a, b);
}

Handle OpenWindow() {
    const plat::WindowClass wc = {Proc, "", "", "BenchClass"};
    if (!plat::RegisterWindowClass(wc)) return 0;
    Handle w =
        plat::CreateMainWindow("BenchClass", "Tarvel 4 timer bench", plat::kScreenWidth, plat::kScreenHeight);
    if (!w) return 0;
    plat::ShowWindow(w, plat::kShowDefault);
    return w;
}

void RunLoop() {
    plat::Message m{};
    while (plat::NextMessage(m)) plat::DispatchMessage(m);
}

int Periods(double seconds) {
    Handle w = OpenWindow();
    if (!w) return 1;
    surface = plat::AcquireWindowSurface(w);
    std::printf("%-8s %8s %8s %14s %16s %14s\n", "period", "ticks", "seconds", "mean err ms", "p99 |err| ms",
                "max |err| ms");
    for (uint32_t period : {10u, 50u, 210u}) {
        stamps.clear();
        ticksWanted = static_cast<uint32_t>(seconds * 1000 / period) + 1;
        benchTimer = plat::StartPeriodicTimer(period, Stamp, 0);
        RunLoop();
        std::vector<double> errors;
        for (size_t i = 1; i < stamps.size(); ++i) errors.push_back(stamps[i] - stamps[i - 1] - period);
        double mean = 0;
        for (double e : errors) mean += e;
        mean /= static_cast<double>(errors.size());
        std::vector<double> absErrors;
        for (double e : errors) absErrors.push_back(std::fabs(e));
        std::sort(absErrors.begin(), absErrors.end());
        double p99 = absErrors[static_cast<size_t>(0.99 * static_cast<double>(absErrors.size() - 1))];
        std::printf("%-8u %8zu %8.1f %14.4f %16.4f %14.4f\n", period, errors.size(), stamps.back() / 1000,
                    mean, p99, absErrors.back());
        // Where the worst ones fell, to tell start-up hiccups from steady jitter.
        std::vector<size_t> order(errors.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](size_t a, size_t b) { return std::fabs(errors[a]) > std::fabs(errors[b]); });
        std::printf("         worst:");
        for (size_t i = 0; i < std::min<size_t>(5, order.size()); ++i)
            std::printf(" #%zu %+.2f", order[i] + 1, errors[order[i]]);
        std::printf("\n");
        std::fflush(stdout);
    }
    plat::ReleaseWindowSurface(w, surface);
    return 0;
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

uint32_t roundTicks = 0;
void RoundTick(Handle, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
    OnTick();
    if (--roundTicks == 0) plat::PostQuit(0);
}

// Four computer worms, speed 0 (10 ms ticks), Auto Start on so rounds follow each other.
int Round(double seconds) {
    if (!AllocateRecords()) return 1;
    Handle w = OpenWindow();
    if (!w) return 1;
    game->mainWindow = w;
    game->windowDC = plat::AcquireWindowSurface(w);
    LoadSprites();
    const Colour colours[4] = {0x4040FF, 0xFF8030, 0x30D030, 0xD040D0};
    for (int p = 0; p < 4; ++p) {
        std::snprintf(game->profiles[p].name, sizeof game->profiles[p].name, "CPU %d", p + 1);
        game->profiles[p].color = colours[p];
        game->profiles[p].speed = 6;
        game->playerKind[p] = kComputer;
    }
    game->gameSpeed = 0;
    game->autoStart = 1;
    game->blockCount = 10;
    game->starfieldOn = 1;
    NewRound();
    roundTicks = static_cast<uint32_t>(seconds * 100);
    auto wall0 = Clock::now();
    double cpu0 = CpuSeconds();
    Handle t = plat::StartPeriodicTimer(10, RoundTick, 0);
    RunLoop();
    plat::StopPeriodicTimer(t);
    double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    double cpu = CpuSeconds() - cpu0;
    std::printf("round at speed 0: %.1f s wall, %.2f s CPU (user+sys): %.1f%% of one core\n", wall, cpu,
                100 * cpu / wall);
    ReleaseSprites();
    plat::ReleaseWindowSurface(w, game->windowDC);
    FreeRecords();
    return 0;
}

// --- the runtime's behaviour on this back end, as the headless suite checks it on the virtual clock

std::vector<double> behaviourTicks; // ms since the start of the check
Clock::time_point behaviourStart;
int declines = 0; // callbacks still to decline
std::vector<plat::Msg> delivered;

double SinceStart() {
    return std::chrono::duration<double, std::milli>(Clock::now() - behaviourStart).count();
}

void BehaviourTick(Handle, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
    behaviourTicks.push_back(SinceStart());
    if (declines > 0) {
        --declines;
        plat::DeclineTick();
    }
}

intptr_t BehaviourProc(Handle, plat::Msg m, intptr_t, intptr_t) {
    delivered.push_back(m);
    return 0;
}

bool Check(bool holds, const char* what) {
    std::printf("%-72s %s\n", what, holds ? "ok" : "FAILED");
    return holds;
}

// Runs the loop for ms, dispatching what comes.
void LoopFor(uint32_t ms) {
    plat::Message m{};
    uint32_t end = plat::TickCountMs() + ms;
    Handle stop = plat::StartPeriodicTimer(
        ms,
        [](Handle t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
            plat::StopPeriodicTimer(t);
            plat::PostToWindow(1, plat::Msg::Other, 0, 0);
        },
        0);
    while (plat::NextMessage(m) && !(m.msg == plat::Msg::Other && plat::TickCountMs() >= end))
        plat::DispatchMessage(m);
    plat::StopPeriodicTimer(stop);
}

int Behaviour() {
    const plat::WindowClass wc = {BehaviourProc, "", "", "BehaviourClass"};
    if (!plat::RegisterWindowClass(wc)) return 1;
    Handle w = plat::CreateMainWindow("BehaviourClass", "Tarvel 4 runtime check", plat::kScreenWidth,
                                      plat::kScreenHeight);
    if (!w) return 1;
    plat::ShowWindow(w, plat::kShowDefault);
    LoopFor(200); // the window settles
    bool ok = true;

    // A tick of 35 ms at a 10 ms period: the periods it covered are dropped, none made up in a burst.
    behaviourTicks.clear();
    behaviourStart = Clock::now();
    Handle timer = plat::StartPeriodicTimer(
        10,
        [](Handle, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
            behaviourTicks.push_back(SinceStart());
            if (behaviourTicks.size() == 3) plat::PauseMs(35);
        },
        0);
    LoopFor(150);
    plat::StopPeriodicTimer(timer);
    double closest = 1e9;
    for (size_t i = 1; i < behaviourTicks.size(); ++i)
        closest = std::min(closest, behaviourTicks[i] - behaviourTicks[i - 1]);
    ok &= Check(behaviourTicks.size() >= 3 && closest > 5, "a long tick: no burst of late ticks after it");

    // A declined tick at a long period comes again as soon as a descriptor is readable.
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return 1;
    plat::AddWakeSource(
        pipeEnds[0],
        [](uintptr_t fd) {
            char byte;
            ssize_t got = read(static_cast<int>(fd), &byte, 1);
            (void)got;
        },
        static_cast<uintptr_t>(pipeEnds[0]));
    behaviourTicks.clear();
    behaviourStart = Clock::now();
    declines = 1;
    timer = plat::StartPeriodicTimer(1000, BehaviourTick, 0);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1100));
        ssize_t put = write(pipeEnds[1], "x", 1);
        (void)put;
    });
    LoopFor(1500);
    writer.join();
    plat::StopPeriodicTimer(timer);
    plat::RemoveWakeSource(pipeEnds[0]);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    ok &= Check(behaviourTicks.size() == 2 && behaviourTicks[1] > 1050 && behaviourTicks[1] < 1900,
                "a declined tick: offered again when its descriptor woke the loop, not before");

    // Paints coalesce behind the posted messages; the quit message comes after everything posted.
    delivered.clear();
    plat::PostToWindow(w, plat::Msg::KeyDown, 65, 0);
    plat::RequestPaint(w);
    plat::InvalidateWindow(w);
    plat::RequestPaint(w);
    plat::PostToWindow(w, plat::Msg::KeyUp, 65, 0);
    plat::PostQuit(0);
    plat::Message m{};
    while (plat::NextMessage(m))
        if (m.msg != plat::Msg::MouseMove) plat::DispatchMessage(m);
    ok &= Check(delivered == std::vector<plat::Msg>{plat::Msg::KeyDown, plat::Msg::KeyUp},
                "the quit message after the posted ones, before a pending paint");
    delivered.clear();
    plat::RequestPaint(w);
    plat::InvalidateWindow(w);
    LoopFor(100);
    ok &= Check(std::count(delivered.begin(), delivered.end(), plat::Msg::Paint) == 1,
                "paints coalesce into one");

    // A modal layer's loop keeps the timer running.
    behaviourTicks.clear();
    behaviourStart = Clock::now();
    timer = plat::StartPeriodicTimer(20, BehaviourTick, 0);
    {
        plat::core::ModalLayer layer;
        plat::core::ModalTurnsUntil(plat::backend::NowNs() + 300'000'000);
    }
    plat::StopPeriodicTimer(timer);
    ok &= Check(behaviourTicks.size() >= 10, "the timer runs on behind a modal layer");
    plat::CloseWindowing();
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
#ifdef TARVEL_BENCH_HEADLESS
    plat::headless::UseRealClock(true);
#endif
    if (argc >= 2 && std::strcmp(argv[1], "periods") == 0)
        return Periods(argc >= 3 ? std::atof(argv[2]) : 20);
    if (argc >= 2 && std::strcmp(argv[1], "round") == 0) return Round(argc >= 3 ? std::atof(argv[2]) : 20);
    if (argc >= 2 && std::strcmp(argv[1], "behaviour") == 0) return Behaviour();
    std::fprintf(stderr, "usage: timer_bench periods [seconds] | round [seconds] | behaviour\n");
    return 2;
}
