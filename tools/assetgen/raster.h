// A small float RGB canvas for drawing the game's pictures: anti-aliased shapes, glows,
// lettering from a TrueType font, and the 24-bit BMP and PNG encoders.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace art {

struct Rgb {
    float r = 0, g = 0, b = 0;
};

// 0xRRGGBB, the way artists write colours (the game itself uses 0x00BBGGRR).
Rgb Hex(uint32_t rrggbb);
Rgb Mix(Rgb a, Rgb b, float t);
Rgb Scale(Rgb c, float k);
float Clamp01(float v);
float SmoothStep(float edge0, float edge1, float v);

struct Image {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Image() = default;
    Image(int width, int height, Rgb fill = {});
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    Rgb& At(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Rgb& At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    // Paints c over the pixel with coverage a.
    void Blend(int x, int y, Rgb c, float a);
    // Adds light: the pixel gains c * a.
    void Add(int x, int y, Rgb c, float a);
};

// Calls paint(x, y, px, py) for every pixel, px/py its centre.
void ForEach(Image& img, const std::function<void(int, int, float, float)>& paint);

// Shapes with soft one-pixel edges.
void Disc(Image& img, float cx, float cy, float r, Rgb c, float a = 1);
void Ring(Image& img, float cx, float cy, float r, float width, Rgb c, float a = 1);
void Capsule(Image& img, float x0, float y0, float x1, float y1, float r, Rgb c, float a = 1);
void RoundRect(Image& img, float x0, float y0, float x1, float y1, float radius, Rgb c, float a = 1);
// Hard rectangle, right and bottom exclusive.
void Rect(Image& img, int x0, int y0, int x1, int y1, Rgb c);
// Polygon by 4 x 4 supersampling (even-odd rule).
void Polygon(Image& img, const std::vector<std::pair<float, float>>& pts, Rgb c, float a = 1);
// Additive gaussian light of the given radius (one sigma).
void Glow(Image& img, float cx, float cy, float sigma, Rgb c, float strength);

// Deterministic noise for texture and sound: the same bytes on every run.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 1) {}
    uint32_t Next();
    float Unit();   // 0..1
    float Signed(); // -1..1
};

// Coverage map of rendered lettering, 0..1 per pixel.
struct Coverage {
    int w = 0, h = 0;
    std::vector<float> a;
    float At(int x, int y) const {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.f : a[static_cast<size_t>(y) * w + x];
    }
};

// Renders one line of text from a DejaVu font file (name like "DejaVuSans-Bold.ttf") at the
// given pixel height, with extra spacing between letters, trimmed to the inked box.
Coverage RenderText(const std::string& fontName, const std::string& text, float pixelHeight,
                    float tracking = 0);
// Grows the inked area by r pixels (round brush), for outlines.
Coverage Dilate(const Coverage& c, float r);
// Squeezes or stretches lettering to a new size (bilinear).
Coverage Resize(const Coverage& c, int w, int h);
// Paints the coverage at (x, y); colour(u, v) with u, v = 0..1 across the coverage box.
void PaintCoverage(Image& img, const Coverage& c, int x, int y,
                   const std::function<Rgb(float, float)>& colour, float alpha = 1);

// Turns a picture drawn on black into a sprite and its mask: pixels brighter than threshold are
// opaque (black in the mask) and kept at least dimly lit; all others become black in the picture
// and white (transparent) in the mask.
Image MakeMask(Image& picture, float threshold);

std::vector<uint8_t> EncodeBmp(const Image& img);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool WritePng(const std::string& path, const Image& img);

} // namespace art
