// The game's resources: the TARVMENU menu and the TARVICON icon, handed to the platform by name.
#pragma once

// Registers every resource; start-up calls it before the window class names them.
void RegisterResources();
