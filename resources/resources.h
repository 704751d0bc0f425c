// The game's resources: the TARVMENU menu and the TARVICON icon, handed to the platform by name.
#pragma once
#include <cstdint>

// The menu's commands, and the one the title screen posts to open Player Setup (its value the slot).
enum : int {
    kCmdNewGame = 1,
    kCmdQuit = 2,
    kCmdAbout = 3,
    kCmdOption = 4,
    kCmdWatchLastRound = 10,
    kCmdHostGame = 11,
    kCmdJoinGame = 12,
    kCmdPlayerSetup = 500,
};

// Registers every resource; start-up calls it before the window class names them.
void RegisterResources();

// The window icon TARVICON: kIconSize pixels square, RGBA bytes in memory order. The asset
// generator draws the desktop's icons from it.
constexpr int kIconSize = 32;
void MakeIcon(uint32_t* pixels);
