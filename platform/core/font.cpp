// DejaVu Sans Mono through stb_truetype, thresholded to crisp one-bit glyphs so that drawing a
// text twice at the same place gives the same pixels.
#include "platform/core/font.h"

#include <stb_truetype.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <vector>

extern "C" const unsigned char tarvel_font_data[];
extern "C" const unsigned long long tarvel_font_size;

namespace plat {
namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the upper half is Latin-1.
const unsigned short kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                        0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

int CodePoint(unsigned char byte) {
    if (byte < 32 || byte == 127) return 0;
    if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
    return byte;
}

struct Font {
    stbtt_fontinfo info{};
    bool ok = false;
    float scale = 0;
    int baseline = 0;
    std::array<GlyphBitmap, 256> glyphs{};
    std::array<bool, 256> ready{};

    Font() {
        ok = stbtt_InitFont(&info, tarvel_font_data, stbtt_GetFontOffsetForIndex(tarvel_font_data, 0)) != 0;
        if (!ok) return;
        int advance = 0, lsb = 0;
        stbtt_GetCodepointHMetrics(&info, 'M', &advance, &lsb);
        scale = static_cast<float>(kGlyphWidth) / static_cast<float>(advance);
        int ascent = 0, descent = 0, gap = 0;
        stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
        int textHeight = static_cast<int>((ascent - descent) * scale + 0.5f);
        baseline = (kGlyphHeight - textHeight) / 2 + static_cast<int>(ascent * scale + 0.5f);
    }

    void Render(unsigned char byte) {
        GlyphBitmap& g = glyphs[byte];
        std::memset(&g, 0, sizeof g);
        int cp = CodePoint(byte);
        if (!ok || cp == 0 || stbtt_FindGlyphIndex(&info, cp) == 0) return;
        int x0, y0, x1, y1;
        stbtt_GetCodepointBitmapBox(&info, cp, scale, scale, &x0, &y0, &x1, &y1);
        int w = x1 - x0, h = y1 - y0;
        if (w <= 0 || h <= 0) return;
        std::vector<unsigned char> coverage(static_cast<size_t>(w) * h);
        stbtt_MakeCodepointBitmap(&info, coverage.data(), w, h, w, scale, scale, cp);
        int lsb = 0, advance = 0;
        stbtt_GetCodepointHMetrics(&info, cp, &advance, &lsb);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int cx = x0 + x, cy = baseline + y0 + y;
                if (cx < 0 || cx >= kGlyphWidth || cy < 0 || cy >= kGlyphHeight) continue;
                if (coverage[static_cast<size_t>(y) * w + x] >= 96) g.ink[cy][cx] = 1;
            }
    }
};

Font& TheFont() {
    static Font font;
    return font;
}

} // namespace

const GlyphBitmap& Glyph(unsigned char byte) {
    Font& f = TheFont();
    if (!f.ready[byte]) {
        f.Render(byte);
        f.ready[byte] = true;
    }
    return f.glyphs[byte];
}

} // namespace plat
