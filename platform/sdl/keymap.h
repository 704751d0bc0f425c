// Physical keys to the virtual-key codes the game stores in its bindings.
#pragma once
#include <SDL.h>

namespace plat::sdl {

// 0 for a key the game has no code for. Codes 146..185 are the game controllers' (gamepads.h):
// no key may have one of them.
int VirtualKey(SDL_Scancode scancode);

} // namespace plat::sdl
