// What the sdl back end's services share: the window's frame loop, the clock and the timers.
//
// Everything runs on the window's thread. A frame takes the waiting SDL events (game input
// becomes messages for the window procedure), lets due timers run when that is allowed, and
// presents (present.h): the surface scaled into the window, the menu bar and every modal layer drawn
// by ImGui.
#pragma once
#include <cstdint>
#include <functional>

struct SDL_Renderer;
struct ImFont;

namespace plat::sdl {

// Where the view sits in the window: its scale and top-left corner, in window pixels.
struct ViewPlace {
    int scale = 1;
    int x = 0, y = 0;
    bool operator==(const ViewPlace&) const = default;
};

// --- clock (clock.cpp) --------------------------------------------------------------------------

// Nanoseconds on the monotonic clock since the process started.
int64_t NowNs();
// Sleeps until the monotonic clock reaches deadline. With wakeOnEvent, returns early as soon as
// input may be waiting (and, with a controller connected, after a short nap at the latest).
void WaitUntil(int64_t deadlineNs, bool wakeOnEvent);

// --- timers (timer.cpp) -------------------------------------------------------------------------

// Runs the callback of one timer whose deadline has come, unless a callback is running already
// (no tick inside a tick). True when one ran.
bool RunDueTimer();
// The earliest deadline of any timer; false when there is none or ticks may not run now.
bool NextTimerDeadline(int64_t& deadlineNs);
// True while a timer callback runs.
bool InTimerCallback();

// --- the window (window.cpp) --------------------------------------------------------------------

bool HaveWindow();
// The descriptor of the connection to the X server, to wait on for input; -1 when there is none
// (no window, or another video driver).
int DisplayConnection();
// True when input has arrived that SDL has not taken yet, or SDL holds events not yet taken.
bool EventsWaiting();
// Takes every waiting SDL event. Game input and paints go to the message queue; while a modal
// layer is up, keys and clicks go to ImGui only and a close waits in the queue until it is gone.
void PumpEvents();
// Presents a frame when something changed and the rate limit allows; force ignores the limit.
void PresentIfDue();
// When a frame is waiting for the rate limit, the time it may go; false when none is waiting.
bool NextPresentTime(int64_t& atNs);
// True while a frame is being drawn: modal layer draw functions run then and must not present,
// pause or open further modal loops themselves.
bool InFrame();
// Remembers the window's size, place and fullscreen for the next run and tears the window, its
// renderer and ImGui down; main() calls it after AppMain returns.
void Shutdown();
// The game's answer to whether a key is a player's (bound, or about to be captured): such a key
// reaches the game even where the window would use it (F11 toggles fullscreen otherwise).
void SetKeyClaim(bool (*claimed)(int key));
// Where the view sits in the window now.
ViewPlace CurrentViewPlace();
// The renderer ImGui draws with, for the textures of modal layers; nullptr without a window.
SDL_Renderer* UiRenderer();

// --- ImGui at the view's scale (ui.cpp) ---------------------------------------------------------

// The menu bar's height in window pixels at a scale.
int MenuBarHeight(int scale);
// Makes ImGui's faces (menu bar, dialogs) and style for a scale, outside any frame; nothing when
// they are at that scale already.
void ScaleUi(int scale);
// The scale ImGui is made for, 0 before it is.
int UiScale();
// The dialogs' face at the current scale.
ImFont* DialogFont();
// ImGui went away with the window: the next ScaleUi makes everything anew.
void ForgetUi();

// A modal layer: drawn with ImGui over the window in every frame while it lives. Only the newest
// layer takes input; older ones are drawn disabled. The menu bar is disabled while any is up.
// The draw function only draws and notes what was pressed; the owner acts on it between frames.
class ModalLayer {
  public:
    explicit ModalLayer(std::function<void()> draw);
    ~ModalLayer();
    ModalLayer(const ModalLayer&) = delete;
    ModalLayer& operator=(const ModalLayer&) = delete;

  private:
    int index;
};

// One turn of a modal loop (message boxes, dialogs): takes events, runs a due tick unless the
// loop was opened from inside one, presents, and waits briefly for the next thing to happen.
void ModalFrame();

} // namespace plat::sdl
