// The Preferences, About and Player Setup dialogs, and the colour chooser.
#pragma once
#include <cstdint>

void OpenPreferences();
void OpenAbout();
void OpenPlayerSetup(int player);
// Shows the colour chooser for colour; changes it only when the player accepts.
void PickColor(uint32_t& colour);
