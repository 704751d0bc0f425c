// The drawing operations every part of the game uses, all on the window's surface (windowDC),
// and the five sprite sets built from bitmap pairs at start-up.
#pragma once
#include <cstdint>

#include "game/records.h"

// Fills x..x+w-1, y..y+h-1 with a solid colour; nothing when w or h is not positive.
void FillBox(int32_t x, int32_t y, int32_t w, int32_t h, Colour colour);
// Draws the leftmost w columns of a bitmap file at (x, y), opaque, through a 16-bit image list.
// Reports a missing file or a failed list in a message box and draws nothing.
void BlitBitmapFile(const char* path, int32_t x, int32_t y, int32_t w, int32_t h);
// Draws one frame of a sprite set through its mask; a null set or missing frame draws nothing.
void DrawSprite(Handle set, int16_t frame, int16_t x, int16_t y);
// Draws the bytes of a NUL-terminated string in the surface's text colour and mode.
void DrawText(const char* text, int16_t x, int16_t y);
// Draws n as "%d".
void DrawNumber(int32_t n, int16_t x, int16_t y);
// Builds the five sprite sets, drawing the loading bar at y = 400; stops silently at the first failure.
void LoadSprites();
void ReleaseSprites();
