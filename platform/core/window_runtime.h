// The window runtime both back ends share: the window class and resources, the message queue,
// paint coalescing, the periodic timers with their one catch-up policy, wake sources and modal
// layers. A back end supplies only what differs (namespace backend below): its clock and wait,
// its event pump turning real input into messages, the window itself and presenting.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/window.h"

namespace plat::core {

// --- for the back ends' event pumps ------------------------------------------------------------

// Real input for the main window, in the order it happened; a run of mouse moves is folded into
// the latest.
void PostInput(Msg msg, intptr_t first, intptr_t second);
// The window was shown or restored from an icon: it must be painted once the queue is empty.
void NeedPaint();
// The game's claim on a key (SetKeyClaim); false when it has none.
bool KeyClaimed(int key);

// --- resources -----------------------------------------------------------------------------------

const std::vector<MenuItem>* FindMenu(const char* name);
struct Icon {
    int width, height;
    std::vector<uint32_t> rgba;
};
const Icon* FindIcon(const char* name);
// The surface the window shows now (0 before AcquireWindowSurface and after its release).
Handle WindowSurface();

// --- timers, wake sources and modal loops --------------------------------------------------------

// True while a timer callback runs: a modal loop opened there runs no further tick until it ends.
bool InTimerCallback();
// Runs one due timer callback, unless one is running already. True when one ran.
bool RunDueTimer();
// The earliest moment a timer may want to run (ns on the back end's clock); false when none may
// (no timer, or inside a callback).
bool NextTimerDeadline(int64_t& atNs);

struct WakeSource {
    int descriptor;
    WakeHandler handler;
    uintptr_t user;
    bool ready; // set by the back end's wait or poll
};
// The registered wake sources, for the back end to watch; inside a timer callback none is
// watched (their handlers could not run, so a readable one would only spin the wait).
std::vector<WakeSource>& WatchedWakeSources();

// A modal layer: lives while a dialog or message box is up. Only the newest takes input; the
// window's own input (keys, clicks for the game) waits or goes to the layers. The draw function
// is the back end's business (the headless one draws nothing); it is told whether its layer is
// the newest.
class ModalLayer {
  public:
    explicit ModalLayer(std::function<void(bool top)> draw = {});
    ~ModalLayer();
    ModalLayer(const ModalLayer&) = delete;
    ModalLayer& operator=(const ModalLayer&) = delete;

  private:
    size_t index;
};
bool ModalUp();
const std::vector<std::function<void(bool top)>>& ModalLayers();
// One turn of a modal loop: takes input, runs a due tick unless the loop was opened inside one,
// runs ready wake sources, presents, and waits until something is due. False when nothing can
// ever happen again (the headless back end with nothing scheduled).
bool ModalTurn();
// Modal turns until the clock reaches atNs.
void ModalTurnsUntil(int64_t atNs);

// The exit code of the quit message that ends a run in which nothing can ever happen again.
constexpr int kNothingLeftExitCode = 99;
// How long a running timer waits between callbacks, in ms; 0 when there is no such timer.
uint32_t TimerPeriodMs(Handle timer);

// Everything back to the start: no window, class, resources, timers, messages or layers.
void ResetRuntime();
// How often a paint was asked for since the last reset (for tests).
int PaintRequests();

} // namespace plat::core

// What each back end supplies; the runtime calls nothing else of it.
namespace plat::backend {

// Nanoseconds on the back end's monotonic clock.
int64_t NowNs();
// Makes the window (hidden); false, with the reason told, when there can be none.
bool OpenWindow(const char* title, const WindowClass& windowClass);
void ShowWindow(int showState);
bool IsMinimised();
void RestoreWindow();
void SetTitle(const char* title);
void ShowNotice(const char* text);
// The window shows this surface from now on (0: none).
void ShowSurface(Handle surface);
// Lets go of the window (CloseWindowing).
void CloseWindow();
// Turns waiting real input into messages (core::PostInput).
void PumpEvents();
// Presents the surface when it changed and a frame may go.
void PresentIfDue();
// Marks each watched wake source that is readable now, without waiting.
void PollWakeSources(std::vector<core::WakeSource>& sources);
// Sleeps until atNs (none: hasDeadline false), or until input arrives, a watched wake source is
// readable (marked), or a frame held back may go. False when nothing can ever happen again.
bool Wait(bool hasDeadline, int64_t atNs, std::vector<core::WakeSource>& sources);

} // namespace plat::backend
