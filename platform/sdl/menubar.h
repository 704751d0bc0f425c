// The window's menu bar: what keys and the mouse do to it is the menu model's (core/menu_model.h);
// this draws it with ImGui and tells the model which key was pressed and where the pointer is.
#pragma once
#include <SDL.h>

#include <functional>

#include "platform/window.h"

namespace plat::sdl {

using ChooseCommand = std::function<void(int command)>;

// Builds the bar from the menu resource's items, in order (one popup per run of the same popup name).
void BuildMenuBar(const MenuItem* items, int count);
// Draws the bar, and the open popup under it, inside an ImGui frame; a disabled bar closes its popup.
void DrawMenuBar(bool enabled);
// True while a popup is open (drawn, or about to be in the next frame).
bool MenuOpen();
// A key press while no modal layer is up. True when the menu bar took it: every key while a popup
// is open, and Alt with a popup's letter. An item chosen calls choose at once.
bool MenuKey(const SDL_KeyboardEvent& key, const ChooseCommand& choose);
// A pointer move or mouse button while no modal layer is up, placed by where the last frame drew
// the bar. True when the menu bar took a button: on its titles or the open popup, and the click
// that closes an open popup wherever it lands. An item chosen calls choose at once.
bool MenuMouse(const SDL_Event& event, const ChooseCommand& choose);

} // namespace plat::sdl
