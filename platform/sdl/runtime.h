// What the sdl back end's files share. The window (window.cpp) is made and kept there with its
// geometry; input (input.cpp) turns SDL events into messages for the shared runtime; the frame
// (frame.cpp) presents the surface and the ImGui layers; the clock (clock.cpp) waits.
//
// Everything runs on the window's thread.
#pragma once
#include <cstdint>

#include "platform/core/view.h"

struct SDL_Renderer;
struct SDL_Window;
struct SDL_WindowEvent;
struct ImFont;
typedef struct _XDisplay Display;

namespace plat::sdl {

using ViewPlace = view::Place;
class Presenter;

// --- clock (clock.cpp) --------------------------------------------------------------------------

// Nanoseconds on the monotonic clock since the process started.
int64_t NowNs();

// --- the window (window.cpp) --------------------------------------------------------------------

bool HaveWindow();
SDL_Window* Window();
Presenter& ThePresenter();
// The X server's connection when SDL talks to one, else nullptr.
Display* X11();
// Where the view sits in the window now.
ViewPlace CurrentViewPlace();
// The renderer ImGui draws with, for the textures of modal layers; nullptr without a window.
SDL_Renderer* UiRenderer();
// A change of the window itself: closed, resized, moved, shown, minimised or restored.
void OnWindowEvent(const SDL_WindowEvent& event);
// Alt+Enter, F11: fullscreen on or off.
void ToggleFullscreen();

// --- input (input.cpp) --------------------------------------------------------------------------

// True when input has arrived that SDL has not taken yet, or SDL holds events not yet taken.
bool EventsWaiting();
// A frame has gone out: ImGui has seen every key change so far.
void FrameShown();
// True while events wait for ImGui's next frame.
bool InputWaitingForFrame();

// --- the frame (frame.cpp) ----------------------------------------------------------------------

// True while a frame is being drawn: modal layer draw functions run then and must not present,
// pause or open further modal loops themselves.
bool InFrame();
// ImGui gets a few frames to settle after input or a layer coming or going (popups appear a frame
// after they open).
void WantFrames();
// When a frame is waiting for the rate limit or for ImGui to settle, the time it may go; false
// when none is waiting.
bool NextFrameTime(int64_t& atNs);
int64_t FrameIntervalNs();
// The line shown over the view (SetWindowNotice), drawn with the menu bar.
void SetNotice(const char* text);
// Forget frame pacing: a new window.
void ResetFrames(int refreshHz);

// --- ImGui at the view's scale (ui.cpp) ---------------------------------------------------------

// Makes ImGui's faces (menu bar, dialogs) and style for a scale, outside any frame; nothing when
// they are at that scale already.
void ScaleUi(int scale);
// The scale ImGui is made for, 0 before it is.
int UiScale();
// The dialogs' face at the current scale.
ImFont* DialogFont();
// ImGui went away with the window: the next ScaleUi makes everything anew.
void ForgetUi();

} // namespace plat::sdl
