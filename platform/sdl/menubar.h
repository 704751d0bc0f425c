// The window's menu bar, drawn by ImGui: popups built from the menu resource, used with the mouse
// or with the keyboard as on every desktop. Alt and a popup's underlined letter opens it with its
// first item highlighted; Up and Down move the highlight, Left and Right go to the next popup,
// Enter (or keypad Enter) or an item's underlined letter chooses, Escape closes.
#pragma once
#include <SDL.h>

#include <functional>

#include "platform/window.h"

namespace plat::sdl {

using ChooseCommand = std::function<void(int command)>;

// Builds the bar from the menu resource's items, in order (one popup per run of the same popup name).
void BuildMenuBar(const MenuItem* items, int count);
// Draws the bar inside an ImGui frame; an item clicked calls choose with its command.
void DrawMenuBar(bool enabled, const ChooseCommand& choose);
// True while a popup is open, or asked to open by a key and about to.
bool MenuOpen();
// A key press while no modal layer is up. True when the menu bar took it: every key while a popup
// is open, and Alt with a popup's letter. An item chosen by key calls choose at once.
bool MenuKey(const SDL_KeyboardEvent& key, const ChooseCommand& choose);

} // namespace plat::sdl
