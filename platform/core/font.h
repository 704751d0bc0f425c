// The surface's one font, rasterised once per character into a fixed cell.
#pragma once
#include "platform/surface.h"

namespace plat {

struct GlyphBitmap {
    unsigned char ink[kGlyphHeight][kGlyphWidth]; // 1 where the letter covers the pixel
};

// The glyph for a byte of text (Windows-1252 above 127; control bytes draw nothing).
const GlyphBitmap& Glyph(unsigned char byte);

} // namespace plat
