// Game controllers: up to four SDL game controllers, each pressing key codes of its own.
//
// Controller n (1..4) sends kFirstPadCode + kPadButtons * (n - 1) + button, button in PadButton
// order: 146..155 for controller 1, 156..165 for 2, 166..175 for 3, 176..185 for 4. No keyboard key
// has a code in 146..185 (keymap.cpp never produces one), so the codes are stored, captured and
// matched as keys are. A press is one key-down; the left stick past half deflection is one key-down
// of that D-pad direction; nothing repeats.
//
// Numbers: the controllers connected at start are numbered in the order the system connected them
// (by device path), later ones take the lowest number never used in this run (with all four used,
// the lowest whose controller is away); one unplugged and plugged in again gets its number back
// (matched by GUID and serial or path). A fifth controller is ignored until it is plugged in again
// with a number free.
#pragma once

union SDL_Event;

namespace plat::sdl {

constexpr int kMaxPads = 4;
constexpr int kPadButtons = 10;
constexpr int kFirstPadCode = 146;
enum PadButton { kPadUp, kPadDown, kPadLeft, kPadRight, kPadA, kPadB, kPadX, kPadY, kPadLB, kPadRB };

constexpr int PadCode(int number, int button) {
    return kFirstPadCode + kPadButtons * (number - 1) + button;
}

// Starts SDL's game-controller subsystem, adds the mappings of a gamecontrollerdb.txt beside
// prefs.prf when there is one, and numbers the controllers already connected. Each press calls
// keyDown with its code. Without a controller subsystem the game runs on without controllers.
void StartGamepads(void (*keyDown)(int code));
// SDL reads the controllers only here, not at every look at its events: with a controller
// connected, SDL's own reading would wake the game every millisecond while it waits. Their changes,
// and controllers plugged in or out, become SDL events.
void UpdateGamepads();
// How long the game may wait for input before the controllers must be read again, in ms.
int GamepadWaitMs();
// Takes an SDL event of a controller or joystick: connections are followed always, presses go to
// keyDown only while buttonsLive. False for every other event.
bool TakeGamepadEvent(const SDL_Event& event, bool buttonsLive);
// Closes the controllers and the subsystem.
void StopGamepads();

} // namespace plat::sdl
