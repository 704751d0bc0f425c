// Modal message boxes with one OK button.
#pragma once
#include "platform/types.h"

namespace plat {

// Shows text under caption and blocks the caller until the player presses OK.
// owner is the window the box belongs to, or 0.
void ShowMessageBox(Handle owner, const char* text, const char* caption);

} // namespace plat
