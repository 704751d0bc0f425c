// The main window's procedure and the input it turns into game actions.
#pragma once
#include <cstdint>

#include "platform/window.h"

intptr_t MainWindowProc(plat::Handle window, plat::Msg msg, intptr_t first, intptr_t second);
// button 1 = left, 2 = right.
void TitleClick(int button, unsigned x, unsigned y);
