#include "tools/assetgen/raster.h"

#include <stb_image_write.h>
#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <stdexcept>

#ifndef TARVEL_FONT_DIR
#define TARVEL_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace art {

Rgb Hex(uint32_t rrggbb) {
    return {((rrggbb >> 16) & 0xFF) / 255.f, ((rrggbb >> 8) & 0xFF) / 255.f, (rrggbb & 0xFF) / 255.f};
}

Rgb Mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, float k) {
    return {c.r * k, c.g * k, c.b * k};
}

float Clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float SmoothStep(float edge0, float edge1, float v) {
    float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

Image::Image(int width, int height, Rgb fill)
    : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}

void Image::Blend(int x, int y, Rgb c, float a) {
    if (!Inside(x, y) || a <= 0) return;
    a = std::min(a, 1.f);
    Rgb& p = At(x, y);
    p = Mix(p, c, a);
}

void Image::Add(int x, int y, Rgb c, float a) {
    if (!Inside(x, y) || a <= 0) return;
    Rgb& p = At(x, y);
    p.r += c.r * a;
    p.g += c.g * a;
    p.b += c.b * a;
}

void ForEach(Image& img, const std::function<void(int, int, float, float)>& paint) {
    for (int y = 0; y < img.h; ++y)
        for (int x = 0; x < img.w; ++x) paint(x, y, x + 0.5f, y + 0.5f);
}

namespace {

// Runs f over the pixels of a bounding box, clipped to the image.
template <class F> void OverBox(Image& img, float x0, float y0, float x1, float y1, F f) {
    int ix0 = std::max(0, static_cast<int>(std::floor(x0)) - 1);
    int iy0 = std::max(0, static_cast<int>(std::floor(y0)) - 1);
    int ix1 = std::min(img.w, static_cast<int>(std::ceil(x1)) + 1);
    int iy1 = std::min(img.h, static_cast<int>(std::ceil(y1)) + 1);
    for (int y = iy0; y < iy1; ++y)
        for (int x = ix0; x < ix1; ++x) f(x, y, x + 0.5f, y + 0.5f);
}

float EdgeCoverage(float signedDistance) {
    return Clamp01(0.5f - signedDistance);
}

} // namespace

void Disc(Image& img, float cx, float cy, float r, Rgb c, float a) {
    OverBox(img, cx - r, cy - r, cx + r, cy + r, [&](int x, int y, float px, float py) {
        float d = std::hypot(px - cx, py - cy) - r;
        img.Blend(x, y, c, a * EdgeCoverage(d));
    });
}

void Ring(Image& img, float cx, float cy, float r, float width, Rgb c, float a) {
    float outer = r + width * 0.5f;
    OverBox(img, cx - outer, cy - outer, cx + outer, cy + outer, [&](int x, int y, float px, float py) {
        float d = std::fabs(std::hypot(px - cx, py - cy) - r) - width * 0.5f;
        img.Blend(x, y, c, a * EdgeCoverage(d));
    });
}

void Capsule(Image& img, float x0, float y0, float x1, float y1, float r, Rgb c, float a) {
    float dx = x1 - x0, dy = y1 - y0;
    float len2 = dx * dx + dy * dy;
    OverBox(img, std::min(x0, x1) - r, std::min(y0, y1) - r, std::max(x0, x1) + r, std::max(y0, y1) + r,
            [&](int x, int y, float px, float py) {
                float t = len2 > 0 ? Clamp01(((px - x0) * dx + (py - y0) * dy) / len2) : 0;
                float d = std::hypot(px - (x0 + t * dx), py - (y0 + t * dy)) - r;
                img.Blend(x, y, c, a * EdgeCoverage(d));
            });
}

void RoundRect(Image& img, float x0, float y0, float x1, float y1, float radius, Rgb c, float a) {
    float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    float hx = (x1 - x0) * 0.5f - radius, hy = (y1 - y0) * 0.5f - radius;
    OverBox(img, x0, y0, x1, y1, [&](int x, int y, float px, float py) {
        float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
        float outside = std::hypot(std::max(qx, 0.f), std::max(qy, 0.f));
        float d = outside + std::min(std::max(qx, qy), 0.f) - radius;
        img.Blend(x, y, c, a * EdgeCoverage(d));
    });
}

void Rect(Image& img, int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = std::max(0, y0); y < std::min(img.h, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(img.w, x1); ++x) img.At(x, y) = c;
}

void Polygon(Image& img, const std::vector<std::pair<float, float>>& pts, Rgb c, float a) {
    if (pts.size() < 3) return;
    float x0 = pts[0].first, x1 = x0, y0 = pts[0].second, y1 = y0;
    for (auto [px, py] : pts) {
        x0 = std::min(x0, px), x1 = std::max(x1, px);
        y0 = std::min(y0, py), y1 = std::max(y1, py);
    }
    auto inside = [&](float px, float py) {
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            auto [xi, yi] = pts[i];
            auto [xj, yj] = pts[j];
            if ((yi > py) != (yj > py) && px < (xj - xi) * (py - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
    };
    OverBox(img, x0, y0, x1, y1, [&](int x, int y, float, float) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
            for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4);
        img.Blend(x, y, c, a * hits / 16.f);
    });
}

void Glow(Image& img, float cx, float cy, float sigma, Rgb c, float strength) {
    float reach = sigma * 3.5f;
    OverBox(img, cx - reach, cy - reach, cx + reach, cy + reach, [&](int x, int y, float px, float py) {
        float d2 = (px - cx) * (px - cx) + (py - cy) * (py - cy);
        img.Add(x, y, c, strength * std::exp(-d2 / (2 * sigma * sigma)));
    });
}

uint32_t Noise::Next() {
    // xorshift32: small, fast and the same everywhere.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

float Noise::Unit() {
    return (Next() >> 8) / 16777216.f;
}

float Noise::Signed() {
    return Unit() * 2 - 1;
}

namespace {

struct LoadedFont {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
};

const LoadedFont& Font(const std::string& name) {
    static std::map<std::string, LoadedFont> fonts;
    auto it = fonts.find(name);
    if (it != fonts.end()) return it->second;
    std::string path = std::string(TARVEL_FONT_DIR) + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw std::runtime_error("cannot open font " + path);
    LoadedFont font;
    std::fseek(f, 0, SEEK_END);
    font.data.resize(static_cast<size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    size_t got = std::fread(font.data.data(), 1, font.data.size(), f);
    std::fclose(f);
    if (got != font.data.size() || !stbtt_InitFont(&font.info, font.data.data(), 0))
        throw std::runtime_error("cannot read font " + path);
    return fonts.emplace(name, std::move(font)).first->second;
}

Coverage Trim(const Coverage& c) {
    int x0 = c.w, y0 = c.h, x1 = -1, y1 = -1;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            if (c.At(x, y) > 0.02f)
                x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    Coverage out;
    if (x1 < 0) return out;
    out.w = x1 - x0 + 1;
    out.h = y1 - y0 + 1;
    out.a.resize(static_cast<size_t>(out.w) * out.h);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) out.a[static_cast<size_t>(y) * out.w + x] = c.At(x + x0, y + y0);
    return out;
}

} // namespace

Coverage RenderText(const std::string& fontName, const std::string& text, float pixelHeight, float tracking) {
    const LoadedFont& font = Font(fontName);
    float scale = stbtt_ScaleForPixelHeight(&font.info, pixelHeight);
    int ascent, descent, gap;
    stbtt_GetFontVMetrics(&font.info, &ascent, &descent, &gap);
    int pad = 4;
    float width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        int advance, lsb;
        stbtt_GetCodepointHMetrics(&font.info, static_cast<unsigned char>(text[i]), &advance, &lsb);
        width += advance * scale + tracking;
    }
    Coverage c;
    c.w = static_cast<int>(std::ceil(width)) + 2 * pad;
    c.h = static_cast<int>(std::ceil((ascent - descent) * scale)) + 2 * pad;
    c.a.assign(static_cast<size_t>(c.w) * c.h, 0);
    float penX = pad;
    float baseline = pad + ascent * scale;
    for (size_t i = 0; i < text.size(); ++i) {
        int cp = static_cast<unsigned char>(text[i]);
        int advance, lsb;
        stbtt_GetCodepointHMetrics(&font.info, cp, &advance, &lsb);
        float shiftX = penX - std::floor(penX);
        int bx0, by0, bx1, by1;
        stbtt_GetCodepointBitmapBoxSubpixel(&font.info, cp, scale, scale, shiftX, 0, &bx0, &by0, &bx1, &by1);
        int gw = bx1 - bx0, gh = by1 - by0;
        if (gw > 0 && gh > 0) {
            std::vector<unsigned char> glyph(static_cast<size_t>(gw) * gh);
            stbtt_MakeCodepointBitmapSubpixel(&font.info, glyph.data(), gw, gh, gw, scale, scale, shiftX, 0,
                                              cp);
            int ox = static_cast<int>(std::floor(penX)) + bx0;
            int oy = static_cast<int>(std::lround(baseline)) + by0;
            for (int y = 0; y < gh; ++y)
                for (int x = 0; x < gw; ++x) {
                    int tx = ox + x, ty = oy + y;
                    if (tx < 0 || ty < 0 || tx >= c.w || ty >= c.h) continue;
                    float& dst = c.a[static_cast<size_t>(ty) * c.w + tx];
                    dst = std::min(1.f, dst + glyph[static_cast<size_t>(y) * gw + x] / 255.f);
                }
        }
        penX += advance * scale + tracking;
        if (i + 1 < text.size())
            penX += scale *
                    stbtt_GetCodepointKernAdvance(&font.info, cp, static_cast<unsigned char>(text[i + 1]));
    }
    return Trim(c);
}

Coverage Dilate(const Coverage& c, float r) {
    int pad = static_cast<int>(std::ceil(r)) + 1;
    Coverage out;
    out.w = c.w + 2 * pad;
    out.h = c.h + 2 * pad;
    out.a.assign(static_cast<size_t>(out.w) * out.h, 0);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x) {
            float best = 0;
            for (int dy = -pad; dy <= pad; ++dy)
                for (int dx = -pad; dx <= pad; ++dx) {
                    float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy));
                    float k = Clamp01(r + 0.5f - d);
                    if (k > 0) best = std::max(best, k * c.At(x - pad + dx, y - pad + dy));
                }
            out.a[static_cast<size_t>(y) * out.w + x] = best;
        }
    return out;
}

Coverage Resize(const Coverage& c, int w, int h) {
    Coverage out;
    out.w = w;
    out.h = h;
    out.a.assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Area-average the source footprint, so shrinking keeps strokes smooth.
            float sx0 = x * c.w / static_cast<float>(w), sx1 = (x + 1) * c.w / static_cast<float>(w);
            float sy0 = y * c.h / static_cast<float>(h), sy1 = (y + 1) * c.h / static_cast<float>(h);
            float sum = 0, n = 0;
            for (float sy = sy0 + 0.125f; sy < sy1; sy += 0.25f)
                for (float sx = sx0 + 0.125f; sx < sx1; sx += 0.25f) {
                    float fx = sx - 0.5f, fy = sy - 0.5f;
                    int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
                    float tx = fx - ix, ty = fy - iy;
                    float top = c.At(ix, iy) * (1 - tx) + c.At(ix + 1, iy) * tx;
                    float bottom = c.At(ix, iy + 1) * (1 - tx) + c.At(ix + 1, iy + 1) * tx;
                    sum += top * (1 - ty) + bottom * ty;
                    n += 1;
                }
            out.a[static_cast<size_t>(y) * w + x] = n > 0 ? sum / n : 0;
        }
    return out;
}

void PaintCoverage(Image& img, const Coverage& c, int x, int y,
                   const std::function<Rgb(float, float)>& colour, float alpha) {
    for (int cy = 0; cy < c.h; ++cy)
        for (int cx = 0; cx < c.w; ++cx) {
            float a = c.At(cx, cy);
            if (a <= 0) continue;
            img.Blend(x + cx, y + cy, colour((cx + 0.5f) / c.w, (cy + 0.5f) / c.h), a * alpha);
        }
}

Image MakeMask(Image& picture, float threshold) {
    Image mask(picture.w, picture.h, Rgb{1, 1, 1});
    for (int y = 0; y < picture.h; ++y)
        for (int x = 0; x < picture.w; ++x) {
            Rgb& p = picture.At(x, y);
            p = {Clamp01(p.r), Clamp01(p.g), Clamp01(p.b)};
            float level = std::max({p.r, p.g, p.b});
            if (level > threshold) {
                mask.At(x, y) = {0, 0, 0};
                // Keep every opaque pixel visibly lit, even after 16-bit colour reduction.
                if (level < 0.1f) p = Scale(p, 0.1f / level);
            } else {
                p = {0, 0, 0};
            }
        }
    return mask;
}

namespace {

uint8_t Byte(float v) {
    return static_cast<uint8_t>(std::lround(Clamp01(v) * 255));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

} // namespace

std::vector<uint8_t> EncodeBmp(const Image& img) {
    uint32_t rowBytes = (static_cast<uint32_t>(img.w) * 3 + 3) & ~3u;
    uint32_t dataSize = rowBytes * static_cast<uint32_t>(img.h);
    std::vector<uint8_t> out;
    out.reserve(54 + dataSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + dataSize);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40); // BITMAPINFOHEADER
    Put32(out, static_cast<uint32_t>(img.w));
    Put32(out, static_cast<uint32_t>(img.h)); // positive: rows stored bottom-up
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0); // no compression
    Put32(out, dataSize);
    Put32(out, 2835); // 72 dpi
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = img.h - 1; y >= 0; --y) {
        size_t start = out.size();
        for (int x = 0; x < img.w; ++x) {
            const Rgb& p = img.At(x, y);
            out.push_back(Byte(p.b));
            out.push_back(Byte(p.g));
            out.push_back(Byte(p.r));
        }
        while (out.size() - start < rowBytes) out.push_back(0);
    }
    return out;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool WritePng(const std::string& path, const Image& img) {
    std::vector<uint8_t> rgb(static_cast<size_t>(img.w) * img.h * 3);
    for (size_t i = 0; i < img.px.size(); ++i) {
        rgb[i * 3] = Byte(img.px[i].r);
        rgb[i * 3 + 1] = Byte(img.px[i].g);
        rgb[i * 3 + 2] = Byte(img.px[i].b);
    }
    return stbi_write_png(path.c_str(), img.w, img.h, 3, rgb.data(), img.w * 3) != 0;
}

} // namespace art
