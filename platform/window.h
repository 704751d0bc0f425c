// The main window: class registration, messages, the message loop.
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace plat {

// What the window procedure is told.
enum class Msg : uint32_t {
    Create,
    Destroy,
    Close,
    Paint,
    KeyDown,   // first = virtual-key code
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
    uint32_t style;
    WindowProc proc;
    Handle instance;
    const char* icon;      // icon resource name
    int cursor;            // 0 = the standard arrow
    int background;        // system colour index + 1
    const char* menu;      // menu resource name
    const char* className; // the name windows are created with
};

} // namespace plat

namespace plat {

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
void UnregisterWindowClass(const char* className, Handle instance);
// The one main window, with a client area of the given size and the class's menu above it; 0 on failure.
Handle CreateMainWindow(const char* className, const char* title, int clientWidth, int clientHeight);
void ShowWindow(Handle window, int showState);
bool IsMinimised(Handle window);
void RestoreWindow(Handle window);
// The surface the window shows; held by the game for the whole run.
Handle AcquireWindowSurface(Handle window);
void ReleaseWindowSurface(Handle window, Handle surface);

// Takes the next message, waiting for one; due timer callbacks run meanwhile, between messages.
// Returns false for the quit message, with its exit code in first.
bool NextMessage(Message& message);
intptr_t DispatchMessage(const Message& message);
// Posts the quit message; NextMessage returns false once the messages before it are handled.
void PostQuit(int exitCode);
void PostToWindow(Handle window, Msg msg, intptr_t first, intptr_t second);
// Asks for a paint message without invalidating anything.
void RequestPaint(Handle window);
// Something covered the window's picture (a dialog or message box that has closed): one paint
// message goes out once the queue is empty, however often this is called meanwhile.
void InvalidateWindow(Handle window);
intptr_t DefaultWindowProc(Handle window, Msg msg, intptr_t first, intptr_t second);

// Packs client coordinates the way mouse messages carry them.
constexpr intptr_t PackPoint(int x, int y) {
    return (x & 0xFFFF) | ((y & 0xFFFF) << 16);
}

} // namespace plat
