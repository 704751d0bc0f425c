// For tests only, never linked into the game: controllers made with SDL's virtual joysticks,
// described so that SDL opens them as game controllers, and driven by the test's own numbers.
#pragma once
#include <string>

namespace plat::sdl::testing {

// Starts SDL's joysticks for the test and keeps them going until ReleaseJoysticks, so virtual
// controllers outlive the game's controller subsystem. Returns how many joysticks were already
// connected (real ones), -1 when SDL has no joysticks.
int HoldJoysticks();
// Detaches every virtual controller and lets SDL's joysticks go.
void ReleaseJoysticks();

// A virtual controller called name under the test's number k (any k >= 0). The name makes its
// GUID: the same name is the same model. False when SDL refuses.
bool AttachPad(int k, const std::string& name);
bool DetachPad(int k);
// The GUID SDL gives controller k, as mappings name it.
std::string PadGuid(int k);
// button: up, down, left, right, a, b, x, y, lb, rb, start. A virtual joystick reports only how it
// is when SDL next reads it (UpdateGamepads): a press and its release between two reads are lost.
bool SetPadButton(int k, const std::string& button, bool down);
// axis: leftx, lefty, rightx, righty; value -32768..32767.
bool SetPadAxis(int k, const std::string& axis, int value);
// One command line: "attach K NAME", "detach K", "press K BUTTON", "release K BUTTON",
// "axis K AXIS VALUE". False for a line it cannot read or SDL refuses.
bool ObeyPadCommand(const std::string& line);

// --- pad_events.cpp: the game's side ----------------------------------------------------------
// The controllers read and SDL's waiting events taken, as the window's event loop does.
void PumpPadEvents(bool buttonsLive);
// True when some keyboard key has a code among the controllers' codes.
bool KeyboardUsesPadCodes();

} // namespace plat::sdl::testing
