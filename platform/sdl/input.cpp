// Input: SDL's events turned into the window's messages. Game keys, clicks and moves go to the
// shared queue; while a modal layer is up, keys and clicks go to ImGui only; the menu bar takes
// its keys first; the window keeps Alt+Enter and F11 for fullscreen.
#include <SDL.h>
#include <X11/Xlib.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>
#include <poll.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/core/window_runtime.h"
#include "platform/sdl/gamepads.h"
#include "platform/sdl/keymap.h"
#include "platform/sdl/menubar.h"
#include "platform/sdl/runtime.h"

namespace plat {
namespace sdl {
namespace {

// SDL looks for events at least this often even when the X connection is quiet.
constexpr int64_t kQuietPumpNs = 50'000'000;

struct State {
    // ImGui of this vintage reads keys as held or not once a frame, so a tap whose press and
    // release arrive between two frames would vanish, and so would the second of two quick
    // presses (a release and a press between two frames leave it held): a key's next change, and
    // every event after it, waits for the next frame.
    std::vector<SDL_Scancode> changedSinceFrame;
    std::deque<SDL_Event> waitingForFrame;
    int64_t lastPumpNs = 0;
};

State s;

void PostCommand(int command) {
    core::PostInput(Msg::Command, command, 0);
}

// A key already pressed since the last frame changes again: ImGui must see a frame in between.
bool MustWaitForFrame(const SDL_Event& e) {
    if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) return false;
    if (!core::ModalUp()) return false;
    return std::find(s.changedSinceFrame.begin(), s.changedSinceFrame.end(), e.key.keysym.scancode) !=
           s.changedSinceFrame.end();
}

// Keys the window keeps for itself: Alt+Enter, and F11 unless a player has it, toggle fullscreen.
bool WindowKey(const SDL_KeyboardEvent& key) {
    SDL_Scancode code = key.keysym.scancode;
    bool altEnter =
        (key.keysym.mod & KMOD_ALT) && (code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER);
    bool f11 = code == SDL_SCANCODE_F11 && !core::KeyClaimed(VirtualKey(code));
    if (!altEnter && !f11) return false;
    if (!key.repeat) ToggleFullscreen();
    return true;
}

// A mouse position in the window as client coordinates of the view; false off the view.
bool ToClient(int wx, int wy, int& x, int& y) {
    return view::ToClient(CurrentViewPlace(), wx, wy, x, y);
}

void HandleEvent(const SDL_Event& e) {
    bool uiKeys = core::ModalUp();
    switch (e.type) {
    case SDL_QUIT:
        core::PostInput(Msg::Close, 0, 0);
        return;
    case SDL_WINDOWEVENT:
        ImGui_ImplSDL2_ProcessEvent(&e);
        OnWindowEvent(e.window);
        return;
    case SDL_KEYDOWN:
        if (WindowKey(e.key)) return;
        if (uiKeys) {
            ImGui_ImplSDL2_ProcessEvent(&e);
            s.changedSinceFrame.push_back(e.key.keysym.scancode);
            return;
        }
        if (MenuKey(e.key, PostCommand)) return;
        if (int vk = VirtualKey(e.key.keysym.scancode)) core::PostInput(Msg::KeyDown, vk, 0);
        return;
    case SDL_KEYUP:
        ImGui_ImplSDL2_ProcessEvent(&e); // in every mode, so ImGui never sees a key stuck down
        if (uiKeys) {
            s.changedSinceFrame.push_back(e.key.keysym.scancode);
            return;
        }
        if (MenuOpen()) return;
        if (int vk = VirtualKey(e.key.keysym.scancode)) core::PostInput(Msg::KeyUp, vk, 0);
        return;
    case SDL_TEXTINPUT:
        if (uiKeys) {
            ImGui_ImplSDL2_ProcessEvent(&e);
            return;
        }
        if (MenuOpen()) return;
        for (const char* c = e.text.text; *c; ++c)
            if (static_cast<unsigned char>(*c) < 128) core::PostInput(Msg::Char, *c, 0);
        return;
    case SDL_MOUSEBUTTONDOWN: {
        ImGui_ImplSDL2_ProcessEvent(&e);
        int x, y;
        // A click under a modal layer, on the menu bar, or one that closes an open menu is not the game's.
        if (uiKeys || MenuMouse(e, PostCommand) || !ToClient(e.button.x, e.button.y, x, y)) return;
        if (e.button.button == SDL_BUTTON_LEFT) core::PostInput(Msg::LeftDown, 0, PackPoint(x, y));
        if (e.button.button == SDL_BUTTON_RIGHT) core::PostInput(Msg::RightDown, 0, PackPoint(x, y));
        return;
    }
    case SDL_MOUSEBUTTONUP:
        ImGui_ImplSDL2_ProcessEvent(&e);
        if (!uiKeys) MenuMouse(e, PostCommand);
        return;
    case SDL_MOUSEMOTION: {
        ImGui_ImplSDL2_ProcessEvent(&e);
        if (!uiKeys) MenuMouse(e, PostCommand);
        int x, y;
        if (uiKeys || !ToClient(e.motion.x, e.motion.y, x, y)) return;
        core::PostInput(Msg::MouseMove, 0, PackPoint(x, y));
        return;
    }
    default:
        ImGui_ImplSDL2_ProcessEvent(&e);
        return;
    }
}

// Whether SDL should look for events now. Each look reads the X connection and the session bus
// several times over; on a quiet X connection once every kQuietPumpNs does (the bus, and SDL's
// own bookkeeping). Controllers are read apart from this (UpdateGamepads).
bool PumpDue() {
    if (!X11() || EventsWaiting()) return true;
    if (NowNs() - s.lastPumpNs >= kQuietPumpNs) return true;
    pollfd watch{XConnectionNumber(X11()), POLLIN, 0};
    return poll(&watch, 1, 0) != 0;
}

} // namespace

bool EventsWaiting() {
    // Xlib may have read events off the connection already (while waiting for a reply).
    if (X11() && XEventsQueued(X11(), QueuedAlready) > 0) return true;
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

void FrameShown() {
    s.changedSinceFrame.clear();
}

bool InputWaitingForFrame() {
    return !s.waitingForFrame.empty();
}

} // namespace sdl

namespace backend {

void PumpEvents() {
    using namespace sdl;
    if (!HaveWindow()) return;
    // Once one event waits for a frame, all later ones wait behind it, in order.
    std::deque<SDL_Event> earlier;
    earlier.swap(s.waitingForFrame);
    auto take = [&](const SDL_Event& e) {
        if (!s.waitingForFrame.empty() || MustWaitForFrame(e))
            s.waitingForFrame.push_back(e);
        else
            HandleEvent(e);
    };
    for (const SDL_Event& e : earlier) take(e);
    UpdateGamepads();
    if (PumpDue()) {
        SDL_PumpEvents();
        s.lastPumpNs = NowNs();
    }
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        // Controllers press keys only when keys are the game's; they never need a frame of their own.
        if (TakeGamepadEvent(e, !MenuOpen() && !core::ModalUp())) continue;
        take(e);
        WantFrames();
    }
}

} // namespace backend
} // namespace plat
