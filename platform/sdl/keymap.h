// Physical keys to the virtual-key codes the game stores in its bindings.
#pragma once
#include <SDL.h>

namespace plat::sdl {

// 0 for a key the game has no code for.
int VirtualKey(SDL_Scancode scancode);

} // namespace plat::sdl
