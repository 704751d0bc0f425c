// Basic types shared by the game and the platform layer.
#pragma once
#include <cstdint>

namespace plat {

// Colours are 0x00BBGGRR everywhere: red in the low byte.
using Colour = uint32_t;
// What ReadPixel returns for a point off the surface.
constexpr Colour kNoColour = 0xFFFFFFFFu;

// Every platform object the game holds is a plain 32-bit id; 0 is "none".
using Handle = uint32_t;

// The window's client area, and so the main surface.
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

} // namespace plat
