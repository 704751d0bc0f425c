// Pixel surfaces, clip regions, bitmaps loaded from files and image lists.
//
// A surface is a persistent buffer of 0x00BBGGRR pixels: every call draws into it at once
// and nothing is ever redrawn from state. The window's surface is what the window shows.
#pragma once
#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

// --- surfaces -------------------------------------------------------------------------------

// A new surface of the given size, filled black. Text colour black, background white, opaque.
Handle CreateSurface(int width, int height);
void DestroySurface(Handle surface);
int SurfaceWidth(Handle surface);
int SurfaceHeight(Handle surface);
// The pixel rows, width * height values, for presenting and for tests; nullptr for a bad id.
const Colour* SurfacePixels(Handle surface);
// Bumped by every call that changes a pixel, so a presenter can skip unchanged frames.
uint64_t SurfaceVersion(Handle surface);

// A rectangle of pixels: left <= x < right, top <= y < bottom.
struct PixelRect {
    int left, top, right, bottom;
};
// The surface notes where it changed on a grid of tiles this many pixels square.
constexpr int kChangeTile = 16;
// The parts of the surface changed since the last call (a new surface has changed all over), as
// few rectangles of whole tiles (cut at the surface's edges), top to bottom; then forgets them.
std::vector<PixelRect> TakeSurfaceChanges(Handle surface);

// Solid fill of left <= x < right, top <= y < bottom, through the clip region.
void FillRect(Handle surface, int left, int top, int right, int bottom, Colour colour);
// kNoColour off the surface; clipping is not looked at.
Colour ReadPixel(Handle surface, int x, int y);
// Writes through the clip region; off the surface nothing happens.
void WritePixel(Handle surface, int x, int y, Colour colour);

// --- text -----------------------------------------------------------------------------------

// The one font: DejaVu Sans Mono, every character kGlyphWidth wide and kGlyphHeight high.
constexpr int kGlyphWidth = 8;
constexpr int kGlyphHeight = 16;

void SetTextColour(Handle surface, Colour colour);
// Transparent: only the letters are drawn. Opaque: their cells are filled with the background first.
void SetTextTransparent(Handle surface, bool transparent);
void SetTextBackground(Handle surface, Colour colour);
Colour TextColour(Handle surface);
bool TextTransparent(Handle surface);
// Draws count bytes of text with the top-left corner at (x, y), through the clip region.
void DrawTextBytes(Handle surface, int x, int y, const char* text, int count);

// --- clip regions ---------------------------------------------------------------------------

// A rectangle region; edges given the wrong way round are swapped. Right and bottom exclusive.
Handle CreateRectRegion(int left, int top, int right, int bottom);
// dest becomes the union of a and b (dest may be a or b).
void UnionRegions(Handle dest, Handle a, Handle b);
void DeleteRegion(Handle region);
// The surface keeps its own copy; region 0 clears clipping.
void SelectClipRegion(Handle surface, Handle region);

// --- bitmaps --------------------------------------------------------------------------------

// Loads a BMP file at its natural size; 0 when it cannot be read. Backslashes in the path
// are taken as directory separators.
Handle LoadBitmapFile(const char* path);
void FreeBitmap(Handle bitmap);
int BitmapWidth(Handle bitmap);
int BitmapHeight(Handle bitmap);

// --- image lists ----------------------------------------------------------------------------

// A list of frames of one size at 16-bit colour depth, optionally with a one-bit mask
// (white in the mask bitmap = transparent). 0 when the size is not positive.
Handle CreateImageList(int frameWidth, int frameHeight, bool masked, int initialCapacity, int grow);
// Adds one frame per frame-wide strip of image, left to right, with the matching strips of mask
// (mask 0: opaque). Returns the index of the first frame added, or -1 when none was added.
int AddToImageList(Handle list, Handle image, Handle mask);
int ImageListCount(Handle list);
// Draws a frame through its mask and the clip region; a bad list or frame draws nothing.
void DrawImageListFrame(Handle list, int frame, Handle surface, int x, int y);
void RemoveAllFromImageList(Handle list);
void DestroyImageList(Handle list);

// --- test and fault hooks -------------------------------------------------------------------

// Number of live objects of each kind, for leak checks.
struct ObjectCounts {
    int surfaces, regions, bitmaps, imageLists;
};
ObjectCounts LiveObjects();
// When set, the next `count` CreateImageList calls fail (returns 0); for tests of failure paths.
void FailNextImageLists(int count);
// Pictures off, for tools that need only the rules: no bitmap file is read, and every load gives
// the same empty picture, from which no frame is cut, so nothing is drawn from it and none fails.
void SkipPictures(bool skip);
// The largest picture, in pixels, a bitmap load accepts (16 Mi by default; 0 restores that): a
// larger one read from then on fails as a broken file does. Fuzzing lowers it to keep every run
// short.
void LimitBitmapPixels(int64_t pixels);

} // namespace plat

namespace plat {
// Writes the surface as an RGB PNG file; false on failure. For tools and tests that look.
bool WriteSurfacePng(Handle surface, const char* path);
} // namespace plat
