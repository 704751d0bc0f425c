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

// Whether a click at (x, y) of the client area lands on the title screen's play or quit button.
constexpr bool OnPlayButton(unsigned x, unsigned y) {
    return x > 475 && x < 509 && y > 315 && y < 349;
}
constexpr bool OnQuitButton(unsigned x, unsigned y) {
    return x > 525 && x < 559 && y > 315 && y < 349;
}

// Registers every resource; start-up calls it before the window class names them.
void RegisterResources();

// The window icon TARVICON: kIconSize pixels square, RGBA bytes in memory order. The asset
// generator draws the desktop's icons from it.
constexpr int kIconSize = 32;
void MakeIcon(uint32_t* pixels);
