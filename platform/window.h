// The main window: class registration, messages, the message loop, and what else it waits on.
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace plat {

// What the window procedure is told.
enum class Msg : uint32_t {
    Destroy,
    Close,
    Paint,
    KeyDown,   // first = virtual-key code
    KeyUp,     // first = virtual-key code
    Char,      // first = character
    Command,   // first = command id (low 16 bits), second = value
    LeftDown,  // second = x | y << 16, client coordinates
    RightDown, // second = x | y << 16
    MouseMove, // second = x | y << 16
    Other,
};

using WindowProc = intptr_t (*)(Handle window, Msg msg, intptr_t first, intptr_t second);

// The registration record of a window class.
struct WindowClass {
    WindowProc proc;
    const char* icon;      // icon resource name
    const char* menu;      // menu resource name
    const char* className; // the name windows are created with
};

// How a window is shown (ShowWindow).
enum ShowState : int {
    kHide = 0,
    kShowNormal = 1,
    kShowMinimised = 2,
    kShowMinimisedNoActivate = 7,
    kMinimise = 6,
    kRestore = 9,
    kShowDefault = 10, // as the desktop prefers
};

struct Message {
    Handle window;
    Msg msg;
    intptr_t first;
    intptr_t second;
};

// Menu resources: popups in order, each item a text with a command id; text nullptr = separator.
// '&' marks the Alt-key mnemonic of the letter after it.
struct MenuItem {
    const char* popup;
    const char* text;
    int command;
};
void RegisterMenuResource(const char* name, const MenuItem* items, int count);

// Icon resources: RGBA pixels, row by row.
void RegisterIconResource(const char* name, int width, int height, const uint32_t* rgba);

bool RegisterWindowClass(const WindowClass& windowClass);
void UnregisterWindowClass(const char* className);
// The one main window, with a client area of the given size and the class's menu above it; 0 on failure.
Handle CreateMainWindow(const char* className, const char* title, int clientWidth, int clientHeight);
void ShowWindow(Handle window, int showState);
bool IsMinimised(Handle window);
void RestoreWindow(Handle window);
// The window's title bar text (the replay and session states say themselves there).
void SetWindowTitle(Handle window, const char* title);
// A line shown over the window's picture, not part of it ("waiting for Bob"); "" shows none.
void SetWindowNotice(Handle window, const char* text);
// The surface the window shows; held by the game for the whole run.
Handle AcquireWindowSurface(Handle window);
void ReleaseWindowSurface(Handle window, Handle surface);

// Takes the next message, waiting for one; due timer callbacks and wake-source handlers run
// meanwhile, between messages. Returns false for the quit message, with its exit code in first.
bool NextMessage(Message& message);
intptr_t DispatchMessage(const Message& message);
// Posts the quit message; NextMessage returns false once the messages before it are handled.
void PostQuit(int exitCode);
// Messages for any window but the main one go nowhere.
void PostToWindow(Handle window, Msg msg, intptr_t first, intptr_t second);
// Asks for a paint message without invalidating anything; like InvalidateWindow, the paint goes
// out once the queue is empty, one for any number of asks.
void RequestPaint(Handle window);
// Something covered the window's picture (a dialog or message box that has closed): one paint
// message goes out once the queue is empty, however often this is called meanwhile.
void InvalidateWindow(Handle window);
intptr_t DefaultWindowProc(Handle window, Msg msg, intptr_t first, intptr_t second);

// A descriptor the message loop waits on besides the window's input (a network socket). Once it is
// readable, handler runs on the window's thread between messages (never inside a timer callback),
// and a tick that declined (timer.h) is offered again. The handler must take what is waiting, or
// it is called again at once.
using WakeHandler = void (*)(uintptr_t user);
void AddWakeSource(int descriptor, WakeHandler handler, uintptr_t user);
void RemoveWakeSource(int descriptor);

// The game's answer to whether a key is a player's (bound, or about to be captured): such a key
// reaches the game even where the window would use it itself (F11 toggles fullscreen otherwise).
void SetKeyClaim(bool (*claimed)(int key));

// Lets go of the window and everything drawn into it once the game is done with it, keeping its
// size and place for the next run. The program's entry calls it after the game has returned.
void CloseWindowing();

// Packs client coordinates the way mouse messages carry them.
constexpr intptr_t PackPoint(int x, int y) {
    return (x & 0xFFFF) | ((y & 0xFFFF) << 16);
}

} // namespace plat
