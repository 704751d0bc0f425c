// The main window's procedure and the input it turns into game actions.
#pragma once
#include <cstdint>

#include "platform/window.h"

intptr_t MainWindowProc(plat::Handle window, plat::Msg msg, intptr_t first, intptr_t second);
// What each message passes through first, above the game: a replay being watched takes the keys,
// a session across machines the keys and clicks it steers; and what a message did is noted (a
// round being recorded). take answers true for a message it handled itself. Set by the program's
// entry (nullptr: none).
struct MessageHooks {
    bool (*take)(plat::Msg msg, intptr_t first, intptr_t second);
    void (*begin)(plat::Msg msg, intptr_t first);
    void (*end)();
};
void SetMessageHooks(const MessageHooks* hooks);
// button 1 = left, 2 = right.
void TitleClick(int button, unsigned x, unsigned y);
