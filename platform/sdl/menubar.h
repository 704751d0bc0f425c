// The window's menu bar, drawn by ImGui: popups built from the menu resource, opened by the mouse
// or by Alt and a popup's underlined letter.
#pragma once
#include <SDL.h>

#include <functional>

#include "platform/window.h"

namespace plat::sdl {

// Builds the bar from the menu resource's items, in order (one popup per run of the same popup name).
void BuildMenuBar(const MenuItem* items, int count);
// Draws the bar inside an ImGui frame; a chosen item calls choose with its command.
void DrawMenuBar(bool enabled, const std::function<void(int command)>& choose);
// Alt plus a popup's underlined letter asks for that popup to open in the next frame.
bool OpenMenuByMnemonic(const SDL_KeyboardEvent& key);
// Escape in an open popup asks for it to close in the next frame.
void CloseMenu();

} // namespace plat::sdl
