// For the controller tests: the game's side of controllers (virtual_pads.h).
#include <SDL.h>

#include "platform/sdl/gamepads.h"
#include "platform/sdl/keymap.h"
#include "platform/sdl/testing/virtual_pads.h"

namespace plat::sdl::testing {

void PumpPadEvents(bool buttonsLive) {
    UpdateGamepads();
    SDL_Event e;
    while (SDL_PollEvent(&e)) TakeGamepadEvent(e, buttonsLive);
}

bool KeyboardUsesPadCodes() {
    for (int s = 0; s < SDL_NUM_SCANCODES; ++s) {
        int code = VirtualKey(static_cast<SDL_Scancode>(s));
        if (code >= PadCode(1, 0) && code < PadCode(kMaxPads + 1, 0)) return true;
    }
    return false;
}

} // namespace plat::sdl::testing
