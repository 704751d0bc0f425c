// Keys: F5 and F8, then every player's bindings in a fixed order.
#pragma once
#include <cstdint>

// The keys that leave a round for the title screen and start a new one.
constexpr unsigned kKeyF5 = 116;
constexpr unsigned kKeyF8 = 119;

// Dispatches one key code: F5, F8, then every binding it matches, player by player.
void HandleKey(unsigned key);
// Leaves a round or the results screen for the title screen.
void ReturnToTitle();
// The automatic restart: exactly what a press of F8 does.
void PressNewRoundKey();
