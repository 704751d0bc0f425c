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
