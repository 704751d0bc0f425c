// The game's pictures, drawn procedurally on black: the splash, the title lettering and logo,
// the title-screen buttons and icons, the panel label, the results banner and the sprite pairs.
//
// Palette: the blocks' pale yellow, missile yellow, explosion orange and white, and the
// worms' colours.
#include <algorithm>
#include <array>
#include <cmath>

#include "tools/assetgen/assets.h"

namespace assets {

using art::Clamp01;
using art::Coverage;
using art::Hex;
using art::Image;
using art::Mix;
using art::Rgb;
using art::Scale;

const uint32_t kWormColours[4] = {0x40E040, 0x50A0FF, 0x40E0E0, 0xC090FF};

namespace {

constexpr float kPi = 3.14159265f;

const Rgb kBlock = Hex(0xD2D23C);      // obstacle blocks
const Rgb kFrame = Hex(0xFFFF1E);      // the playfield's frame lines
const Rgb kMissile = Hex(0xC8C814);    // missile squares
const Rgb kOrange = Hex(0xFF8C1E);     // explosions
const Rgb kDeepOrange = Hex(0xE04A00); // explosion edges
const Rgb kWhite = Hex(0xFFFFFF);

const char* kBold = "DejaVuSans-Bold.ttf";
const char* kBoldOblique = "DejaVuSans-BoldOblique.ttf";
const char* kBoldCondensed = "DejaVuSansCondensed-Bold.ttf";
const char* kSans = "DejaVuSans.ttf";

// --- noise -----------------------------------------------------------------------------------

float Hash(int x, int y, uint32_t seed) {
    uint32_t h =
        static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / 16777216.f;
}

float ValueNoise(float x, float y, uint32_t seed) {
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    float tx = x - ix, ty = y - iy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    float a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    float c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

float Fbm(float x, float y, uint32_t seed, int octaves = 4) {
    float sum = 0, amp = 0.5f, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * ValueNoise(x, y, seed + static_cast<uint32_t>(i) * 101u);
        norm += amp;
        x *= 2.03f;
        y *= 2.03f;
        amp *= 0.5f;
    }
    return sum / norm;
}

// Explosion colours from cool (0) to white-hot (1).
Rgb Heat(float t) {
    static const Rgb stops[] = {Hex(0x300400), Hex(0xA81400), Hex(0xF04C00), Hex(0xFF8C1E),
                                Hex(0xFFD24A), Hex(0xFFF6C8), Hex(0xFFFFFF)};
    constexpr int n = sizeof stops / sizeof stops[0];
    t = Clamp01(t) * (n - 1);
    int i = std::min(static_cast<int>(t), n - 2);
    return Mix(stops[i], stops[i + 1], t - i);
}

// --- lettering -------------------------------------------------------------------------------

// Text rendered large and scaled down to exactly w x h (keeps strokes smooth at small sizes).
Coverage FitText(const char* font, const char* text, int w, int h, float tracking = 0) {
    Coverage big = art::RenderText(font, text, 160, tracking * 8);
    return art::Resize(big, w, h);
}

// Text scaled to height h, its width following the font's proportions.
Coverage TextAtHeight(const char* font, const char* text, int h, float tracking = 0, float squeeze = 1) {
    Coverage big = art::RenderText(font, text, 160, tracking * 160.f / h);
    int w = std::max(1, static_cast<int>(std::lround(big.w * (h / static_cast<float>(big.h)) * squeeze)));
    return art::Resize(big, w, h);
}

// Bold arcade lettering: dark outline, a glow, and a hot gradient from white to orange.
void HotLettering(Image& img, const Coverage& text, int x, int y, float outline, float glow) {
    Coverage edge = art::Dilate(text, outline);
    int pad = (edge.w - text.w) / 2;
    if (glow > 0) {
        Coverage halo = art::Dilate(text, outline + glow);
        int hp = (halo.w - text.w) / 2;
        for (int cy = 0; cy < halo.h; ++cy)
            for (int cx = 0; cx < halo.w; ++cx)
                img.Add(x - hp + cx, y - hp + cy, kDeepOrange, 0.22f * halo.At(cx, cy));
    }
    art::PaintCoverage(img, edge, x - pad, y - pad, [](float, float) { return Hex(0x401000); });
    art::PaintCoverage(img, text, x, y, [](float, float v) {
        if (v < 0.18f) return Mix(kWhite, Hex(0xFFFFA0), v / 0.18f);
        if (v < 0.5f) return Mix(Hex(0xFFFFA0), Hex(0xFFD21E), (v - 0.18f) / 0.32f);
        if (v < 0.56f) return Hex(0xFFF0A0); // a thin highlight band across the letters
        return Mix(Hex(0xFFB41E), Hex(0xE8500A), (v - 0.56f) / 0.44f);
    });
}

// Plain lettering in one colour, with a one-pixel dark edge for separation.
void FlatLettering(Image& img, const Coverage& text, int x, int y, Rgb colour, float alpha = 1) {
    art::PaintCoverage(
        img, text, x, y, [&](float, float) { return colour; }, alpha);
}

// --- sprites ---------------------------------------------------------------------------------

// A fireball of the given radius: turbulent edge, hot core, a few sparks.
void Fireball(Image& img, float cx, float cy, float r, uint32_t seed, int sparks) {
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float dx = px - cx, dy = py - cy;
        float d = std::hypot(dx, dy) / r;
        float n = Fbm(px * 3.2f / r + 7.1f, py * 3.2f / r + 3.3f, seed);
        float edge = 0.72f + 0.5f * n;
        float heat = 1 - d / edge;
        if (heat <= 0) return;
        float t = std::pow(heat, 0.75f) * 1.05f + 0.25f * (Fbm(px * 6.f / r, py * 6.f / r, seed + 9) - 0.5f);
        img.Blend(x, y, Heat(t), art::SmoothStep(0, 0.12f, heat));
    });
    art::Noise noise(seed * 7919u + 13);
    for (int i = 0; i < sparks; ++i) {
        float a = noise.Unit() * 2 * kPi;
        float dist = r * (0.85f + 0.4f * noise.Unit());
        float sx = cx + std::cos(a) * dist, sy = cy + std::sin(a) * dist;
        float tail = r * 0.25f;
        art::Capsule(img, sx, sy, sx - std::cos(a) * tail, sy - std::sin(a) * tail, 0.6f, Hex(0xFFB040),
                     0.9f);
        art::Disc(img, sx, sy, 0.9f + 0.5f * noise.Unit(), Hex(0xFFF0B0));
    }
    art::Glow(img, cx, cy, r * 0.3f, Hex(0xFFF0C0), 0.35f);
}

Image SmallExplosion() {
    Image img(20, 20);
    Fireball(img, 10, 10, 8.8f, 11, 4);
    return img;
}

Image LargeExplosion() {
    Image img(44, 44);
    Fireball(img, 22, 22, 17, 23, 0);
    // Two smaller blasts bulging out of the main one make the shape irregular.
    Image lobes(44, 44);
    Fireball(lobes, 14, 28, 8, 31, 0);
    Fireball(lobes, 31, 15, 7, 37, 0);
    for (size_t i = 0; i < img.px.size(); ++i) {
        Rgb& p = img.px[i];
        const Rgb& q = lobes.px[i];
        p = {std::max(p.r, q.r), std::max(p.g, q.g), std::max(p.b, q.b)};
    }
    art::Noise noise(5);
    for (int i = 0; i < 9; ++i) {
        float a = i * 2 * kPi / 9 + noise.Signed() * 0.3f;
        float dist = 18.5f + 2.5f * noise.Unit();
        float sx = 22 + std::cos(a) * dist, sy = 22 + std::sin(a) * dist;
        art::Capsule(img, sx, sy, 22 + std::cos(a) * (dist - 5), 22 + std::sin(a) * (dist - 5), 0.7f,
                     Hex(0xFFA030));
        art::Disc(img, sx, sy, 1.1f, Hex(0xFFF4C0));
    }
    art::Glow(img, 22, 22, 5, kWhite, 0.5f);
    return img;
}

Image Supernova() {
    Image img(84, 84);
    const float c = 42;
    // The shock wave.
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float d = std::hypot(px - c, py - c);
        float n = Fbm(px * 0.12f, py * 0.12f, 77);
        float ring = std::exp(-std::pow((d - 33.5f) / 3.0f, 2.f)) * (0.55f + 0.6f * n);
        if (ring > 0.05f) img.Blend(x, y, Heat(0.25f + ring * 0.6f), art::SmoothStep(0.05f, 0.25f, ring));
    });
    // Rays: four long, four short, each an outer orange blade with a white core.
    for (int i = 0; i < 8; ++i) {
        float a = i * kPi / 4 + kPi / 8;
        float len = (i % 2 == 0) ? 41.f : 27.f;
        float wide = (i % 2 == 0) ? 6.f : 4.5f;
        float ca = std::cos(a), sa = std::sin(a);
        auto blade = [&](float l, float wd) {
            return std::vector<std::pair<float, float>>{{c - sa * wd, c + ca * wd},
                                                        {c + ca * l, c + sa * l},
                                                        {c + sa * wd, c - ca * wd},
                                                        {c - ca * wd * 0.8f, c - sa * wd * 0.8f}};
        };
        art::Polygon(img, blade(len, wide), kOrange);
        art::Polygon(img, blade(len * 0.8f, wide * 0.45f), Hex(0xFFF2B0));
    }
    Fireball(img, c, c, 19, 91, 6);
    art::Glow(img, c, c, 7, kWhite, 0.9f);
    art::Glow(img, c, c, 16, Hex(0xFFE080), 0.25f);
    return img;
}

// Drawn over a button or slot icon while it is held: a sunken bevel and a dimming screen.
Image PressedOverlay() {
    Image img(32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            bool edgeTopLeft = x < 2 || y < 2;
            bool edgeBottomRight = x > 29 || y > 29;
            if (edgeTopLeft && !(x > 29 && y < 2) && !(y > 29 && x < 2))
                img.At(x, y) = Hex(0x282818);
            else if (edgeBottomRight)
                img.At(x, y) = kFrame;
            else if ((x + y) % 2 == 0)
                img.At(x, y) = Hex(0x141410);
        }
    // The corners where the two bevels meet.
    img.At(30, 0) = img.At(31, 0) = img.At(31, 1) = kFrame;
    img.At(0, 30) = img.At(0, 31) = img.At(1, 31) = kFrame;
    img.At(30, 1) = img.At(1, 30) = Hex(0x282818);
    return img;
}

// The ammunition box: a wooden crate with a missile painted on it, whose rim lights up frame by
// frame (the game plays the frames 0, 1, 2, 3, 2, 1, so the box pulses and a glint runs round).
Image AmmoBox(int frame) {
    Image img(20, 20);
    float pulse = frame / 3.f;
    art::RoundRect(img, 0.5f, 0.5f, 19.5f, 19.5f, 3, Mix(Hex(0x805010), kFrame, pulse));
    art::RoundRect(img, 2, 2, 18, 18, 1.5f, Hex(0x3A1C06));
    for (int y = 3; y < 17; ++y)
        for (int x = 3; x < 17; ++x) {
            // Planks: a gradient with a dark seam every four rows.
            float shade = (y % 4 == 2) ? 0.55f : 1.f - 0.25f * (y - 3) / 14.f;
            img.At(x, y) = Scale(Mix(Hex(0xC07828), Hex(0xF0A848), pulse * 0.5f), shade);
        }
    // The missile: yellow body, hot nose and red fins.
    art::Capsule(img, 5.5f, 10, 12.5f, 10, 2.1f, Hex(0x402000));
    art::Capsule(img, 5.5f, 9.5f, 12.5f, 9.5f, 1.7f, Mix(Hex(0xF0F040), Hex(0xFFFFC0), pulse));
    art::Polygon(img, {{12.5f, 7.6f}, {16.6f, 9.5f}, {12.5f, 11.4f}},
                 Mix(kOrange, kWhite, 0.3f + 0.5f * pulse));
    art::Polygon(img, {{4.2f, 9.5f}, {2.8f, 6.2f}, {7.2f, 8.4f}}, Hex(0xE02810));
    art::Polygon(img, {{4.2f, 9.5f}, {2.8f, 12.8f}, {7.2f, 10.6f}}, Hex(0xE02810));
    art::Capsule(img, 6.5f, 8.9f, 11.5f, 8.9f, 0.4f, kWhite, 0.7f);
    // A glint runs round the rim as the box brightens.
    if (frame > 0) {
        float ga = kPi * (1.0f + 0.33f * frame);
        float gx = 10 + std::cos(ga) * 8.2f, gy = 10 + std::sin(ga) * 8.2f;
        float arm = 1.4f + frame * 0.6f;
        art::Glow(img, gx, gy, 0.8f + 0.3f * frame, kWhite, 0.6f + 0.15f * frame);
        art::Capsule(img, gx - arm, gy, gx + arm, gy, 0.35f, kWhite);
        art::Capsule(img, gx, gy - arm, gx, gy + arm, 0.35f, kWhite);
    }
    return img;
}

// --- title-screen pieces ---------------------------------------------------------------------

// A raised 32 x 32 button face in the given hue.
void ButtonFace(Image& img, Rgb hue) {
    art::ForEach(img, [&](int x, int y, float, float py) {
        img.At(x, y) = Mix(Scale(hue, 0.55f), Scale(hue, 0.22f), py / 32);
    });
    for (int i = 0; i < 32; ++i) {
        img.At(i, 0) = img.At(0, i) = Mix(hue, kWhite, 0.5f);
        img.At(i, 1) = img.At(1, i) = Mix(hue, kWhite, 0.2f);
        img.At(i, 31) = img.At(31, i) = Scale(hue, 0.12f);
        if (i > 0) img.At(i, 30) = img.At(30, i) = Scale(hue, 0.18f);
    }
}

Image PlayButton() {
    Image img(32, 32);
    ButtonFace(img, Hex(0x30C040));
    std::vector<std::pair<float, float>> tri = {{11, 7.5f}, {25, 16}, {11, 24.5f}};
    std::vector<std::pair<float, float>> shadow = {{12, 9}, {26.5f, 17.5f}, {12, 26}};
    art::Polygon(img, shadow, Hex(0x0C300C), 0.8f);
    art::Polygon(img, tri, Hex(0xE8FFD0));
    art::Polygon(img, {{12.5f, 10}, {22, 16}, {12.5f, 13}}, kWhite, 0.7f);
    return img;
}

Image QuitButton() {
    Image img(32, 32);
    ButtonFace(img, Hex(0xE03020));
    // A power symbol: an open ring and its bar.
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float d = std::hypot(px - 16, py - 17.5f);
        float ang = std::atan2(px - 16, -(py - 17.5f)); // 0 straight up
        float ring = std::fabs(d - 8) - 1.9f;
        if (std::fabs(ang) < 0.62f) return;
        img.Blend(x + 1, y + 1, Hex(0x300806), 0.8f * Clamp01(0.5f - ring));
        img.Blend(x, y, Hex(0xFFE8D8), Clamp01(0.5f - ring));
    });
    art::Capsule(img, 17, 8, 17, 17.5f, 1.9f, Hex(0x300806), 0.8f);
    art::Capsule(img, 16, 7, 16, 16.5f, 1.9f, Hex(0xFFE8D8));
    return img;
}

// Slot icons sit inside a 2-pixel frame of the slot's colour, so each has its own dark ground.
void IconGround(Image& img, Rgb top, Rgb bottom) {
    art::ForEach(img, [&](int x, int y, float, float py) { img.At(x, y) = Mix(top, bottom, py / 32); });
}

Image NoneIcon() {
    Image img(32, 32);
    IconGround(img, Hex(0x101010), Hex(0x050505));
    // An empty seat: a dotted outline of a player, crossed out.
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float head = std::fabs(std::hypot(px - 16, py - 11) - 4.5f) - 0.7f;
        float shoulders = std::fabs(std::hypot((px - 16) * 0.8f, py - 28) - 9.5f) - 0.7f;
        float dots = ((x + y) % 3 != 2) ? 1.f : 0.f;
        float line = std::min(head, py < 27 ? shoulders : 9.f);
        img.Blend(x, y, Hex(0xA0A0A0), dots * Clamp01(1.0f - line));
    });
    art::Capsule(img, 7, 25, 25, 7, 1.4f, Hex(0xA03020));
    return img;
}

Image HumanIcon() {
    Image img(32, 32);
    IconGround(img, Hex(0x14243C), Hex(0x060A14));
    Rgb skin = Hex(0xFFD8A8);
    // Shoulders, neck and head, lit from the upper left.
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float body = std::hypot((px - 16) * 0.78f, py - 31) - 10.5f;
        if (py > 20) img.Blend(x, y, Mix(Hex(0x40E040), Hex(0x187018), (px - 6) / 22), Clamp01(0.5f - body));
    });
    art::RoundRect(img, 13.5f, 15, 18.5f, 22, 1.5f, Scale(skin, 0.8f));
    art::Disc(img, 16, 11.5f, 6, skin);
    art::Disc(img, 14.3f, 9.8f, 2.6f, Hex(0xFFF0DC), 0.6f);
    // Hair and eyes give it a face.
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float d = std::hypot(px - 16, py - 11.0f) - 6.2f;
        if (py < 10.5f - 0.15f * (px - 16)) img.Blend(x, y, Hex(0x6A3A18), Clamp01(0.5f - d));
    });
    art::Disc(img, 13.8f, 12.3f, 0.9f, Hex(0x202040));
    art::Disc(img, 18.2f, 12.3f, 0.9f, Hex(0x202040));
    art::Capsule(img, 14.5f, 15.2f, 17.5f, 15.2f, 0.45f, Hex(0xA05040));
    return img;
}

Image ComputerIcon() {
    Image img(32, 32);
    IconGround(img, Hex(0x241410), Hex(0x0C0604));
    // A robot head: antenna, steel face, glowing eyes and a grille mouth.
    art::Capsule(img, 16, 4, 16, 9, 0.8f, Hex(0xB0B0B8));
    art::Disc(img, 16, 3.5f, 1.8f, Hex(0xFF4020));
    art::Glow(img, 16, 3.5f, 1.5f, Hex(0xFF8040), 0.5f);
    art::RoundRect(img, 2.5f, 13, 6.5f, 21, 1.5f, Hex(0x707078));
    art::RoundRect(img, 25.5f, 13, 29.5f, 21, 1.5f, Hex(0x707078));
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float qx = std::fabs(px - 16) - 9.5f, qy = std::fabs(py - 17.5f) - 8.5f;
        float d = std::hypot(std::max(qx, 0.f), std::max(qy, 0.f)) + std::min(std::max(qx, qy), 0.f) - 2.5f;
        img.Blend(x, y, Mix(Hex(0xE0E0E8), Hex(0x707884), (py - 7) / 21 + (px - 4) / 60), Clamp01(0.5f - d));
    });
    art::RoundRect(img, 9, 12, 23, 18.5f, 2, Hex(0x101820));
    art::Disc(img, 12.8f, 15.2f, 2.1f, Hex(0x40FF60));
    art::Disc(img, 19.2f, 15.2f, 2.1f, Hex(0x40FF60));
    art::Disc(img, 12.3f, 14.6f, 0.7f, Hex(0xE0FFE0));
    art::Disc(img, 18.7f, 14.6f, 0.7f, Hex(0xE0FFE0));
    art::RoundRect(img, 10.5f, 21, 21.5f, 24.5f, 1, Hex(0x303840));
    for (int x = 12; x <= 20; x += 2) art::Rect(img, x, 22, x + 1, 24, Hex(0xA0A8B0));
    return img;
}

Image PlayersCaption() {
    Image img(100, 20);
    Coverage text = FitText(kBold, "PLAYERS", 92, 14, 1.2f);
    HotLettering(img, text, 4, 3, 1.0f, 0);
    return img;
}

Image AmmoLabel() {
    Image img(31, 9);
    Coverage text = FitText(kBoldCondensed, "AMMO", 27, 7, 0.6f);
    FlatLettering(img, text, 2, 1, Hex(0xFFE040));
    return img;
}

Image AgainBanner() {
    Image img(400, 60);
    art::ForEach(img, [&](int x, int y, float, float py) {
        img.At(x, y) = Mix(Hex(0x281000), Hex(0x000000), py / 60);
    });
    art::RoundRect(img, 1, 1, 399, 59, 6, kBlock, 0.9f);
    art::RoundRect(img, 3, 3, 397, 57, 5, Hex(0x140800));
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float g = std::exp(-std::pow((py - 30) / 16, 2.f)) * 0.25f * (1 - std::fabs(px - 200) / 220);
        img.Add(x, y, kDeepOrange, g);
    });
    Coverage title = TextAtHeight(kBoldOblique, "ROUND OVER", 30, 1.5f);
    HotLettering(img, title, 200 - title.w / 2, 7, 1.5f, 2.5f);
    Coverage hint = TextAtHeight(kBold, "F8  PLAY AGAIN      F5  TITLE", 9, 1.2f);
    FlatLettering(img, hint, 200 - hint.w / 2, 44, Hex(0xFFF2B0));
    // A small blast at each end.
    Image blast = SmallExplosion();
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const Rgb& p = blast.At(x, y);
            float a = std::max({p.r, p.g, p.b});
            img.Blend(14 + x, 20 + y, p, a > 0.12f ? 1.f : 0.f);
            img.Blend(366 + x, 20 + y, p, a > 0.12f ? 1.f : 0.f);
        }
    return img;
}

Image TitleLettering() {
    Image img(310, 50);
    Coverage text = FitText(kBoldOblique, "TARVEL 4", 296, 40, 1.0f);
    HotLettering(img, text, 6, 5, 1.6f, 2.0f);
    return img;
}

// --- worms for the logo and the splash -------------------------------------------------------

struct Point {
    float x, y;
};

// A worm's trail along a path of straight runs, its tail dim and its head bright, with eyes.
void Worm(Image& img, const std::vector<Point>& path, Rgb colour, float width) {
    float total = 0;
    for (size_t i = 1; i < path.size(); ++i)
        total += std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
    float run = 0;
    for (size_t i = 1; i < path.size(); ++i) {
        Point a = path[i - 1], b = path[i];
        float len = std::hypot(b.x - a.x, b.y - a.y);
        int steps = std::max(1, static_cast<int>(len / 2));
        for (int s = 0; s < steps; ++s) {
            float t0 = s / static_cast<float>(steps), t1 = (s + 1) / static_cast<float>(steps);
            float along = (run + len * t1) / total;
            Rgb c = Scale(colour, 0.25f + 0.75f * along * along);
            art::Capsule(img, a.x + (b.x - a.x) * t0, a.y + (b.y - a.y) * t0, a.x + (b.x - a.x) * t1,
                         a.y + (b.y - a.y) * t1, width * 0.5f, c);
        }
        run += len;
    }
    // A light stripe along the trail gives it a round, tube-like body.
    run = 0;
    for (size_t i = 1; i < path.size(); ++i) {
        Point a = path[i - 1], b = path[i];
        float len = std::hypot(b.x - a.x, b.y - a.y);
        float along = (run + len) / total;
        art::Capsule(img, a.x - width * 0.18f, a.y - width * 0.18f, b.x - width * 0.18f, b.y - width * 0.18f,
                     width * 0.12f, Mix(colour, kWhite, 0.5f), 0.25f + 0.5f * along);
        run += len;
    }
    Point head = path.back(), before = path[path.size() - 2];
    float dx = head.x - before.x, dy = head.y - before.y, dl = std::hypot(dx, dy);
    dx /= dl, dy /= dl;
    art::Glow(img, head.x, head.y, width * 0.9f, colour, 0.35f);
    art::Disc(img, head.x, head.y, width * 0.75f, Mix(colour, kWhite, 0.25f));
    for (float side : {-1.f, 1.f}) {
        float ex = head.x + dx * width * 0.25f - dy * side * width * 0.33f;
        float ey = head.y + dy * width * 0.25f + dx * side * width * 0.33f;
        art::Disc(img, ex, ey, width * 0.22f, kWhite);
        art::Disc(img, ex + dx * width * 0.08f, ey + dy * width * 0.08f, width * 0.11f, Hex(0x101010));
    }
}

// A missile in flight: its square and a fading smoke trail behind it.
void Missile(Image& img, float x, float y, float dx, float dy, float size) {
    for (int i = 6; i >= 1; --i) {
        float k = i / 6.f;
        art::Disc(img, x - dx * size * 1.1f * i, y - dy * size * 1.1f * i, size * (0.55f - 0.3f * k),
                  Mix(kMissile, Hex(0x303020), k), 0.9f - 0.6f * k);
    }
    art::Rect(img, static_cast<int>(x - size / 2), static_cast<int>(y - size / 2),
              static_cast<int>(x + size / 2), static_cast<int>(y + size / 2), kMissile);
    art::Glow(img, x, y, size * 0.6f, Hex(0xFFFF60), 0.3f);
}

// An obstacle block in the game's pale yellow, drawn as the game draws it: 5-pixel cells.
void Block(Image& img, int x, int y, int w, int h, uint32_t seed) {
    art::Noise noise(seed);
    for (int cy = 0; cy < h; cy += 5)
        for (int cx = 0; cx < w; cx += 5) {
            Rgb c = Scale(kBlock, 0.92f + 0.08f * noise.Unit());
            art::Rect(img, x + cx, y + cy, x + cx + 5, y + cy + 5, c);
        }
}

// Faint stars; none inside the keep-clear rectangles.
void Stars(Image& img, int count, uint32_t seed, const std::vector<std::array<int, 4>>& keepClear,
           float brightness) {
    art::Noise noise(seed);
    for (int i = 0; i < count; ++i) {
        float x = noise.Unit() * img.w, y = noise.Unit() * img.h, b = noise.Unit();
        bool clear = true;
        for (const auto& r : keepClear)
            if (x >= r[0] && x < r[2] && y >= r[1] && y < r[3]) clear = false;
        if (!clear) continue;
        Rgb c = Mix(Hex(0xA0B8FF), Hex(0xFFF0C0), noise.Unit());
        img.Add(static_cast<int>(x), static_cast<int>(y), c, brightness * (0.25f + 0.75f * b * b));
        if (b > 0.93f) art::Glow(img, x, y, 1.2f, c, brightness * 0.5f);
    }
}

Image Logo() {
    Image img(600, 400);
    // Calm places: the players panel with its caption and boxes, and the button plate.
    const std::vector<std::array<int, 4>> calm = {{20, 0, 290, 92}, {456, 296, 578, 376}};
    Stars(img, 260, 4242, calm, 0.55f);

    // The players panel: a thin pale frame around the caption, the two boxes and the slots.
    art::RoundRect(img, 26, 2, 280, 84, 7, kBlock, 0.55f);
    art::RoundRect(img, 27.5f, 3.5f, 278.5f, 82.5f, 6, Hex(0x000000));
    // The button plate under play and quit, with their names.
    art::RoundRect(img, 464, 304, 570, 370, 8, kBlock, 0.55f);
    art::RoundRect(img, 465.5f, 305.5f, 568.5f, 368.5f, 7, Hex(0x0C0C06));
    Coverage play = TextAtHeight(kBold, "PLAY", 8, 0.8f);
    Coverage quit = TextAtHeight(kBold, "QUIT", 8, 0.8f);
    FlatLettering(img, play, 492 - play.w / 2, 354, kBlock);
    FlatLettering(img, quit, 542 - quit.w / 2, 354, kBlock);

    // The big 4 in a burst of light, top right.
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float d = std::hypot(px - 520, py - 112);
        float n = Fbm(px * 0.04f, py * 0.04f, 5);
        float heat = std::exp(-std::pow(d / (62 + 18 * n), 2.f));
        if (heat > 0.02f) img.Add(x, y, Heat(0.15f + 0.5f * heat), 0.85f * heat);
    });
    for (int i = 0; i < 12; ++i) {
        float a = i * kPi / 6 + 0.26f;
        float len = (i % 2 == 0) ? 96.f : 66.f;
        art::Capsule(img, 520, 112, 520 + std::cos(a) * len, 112 + std::sin(a) * len * 0.8f, 1.2f,
                     Hex(0xFFC060), 0.35f);
    }
    Coverage four = TextAtHeight(kBoldOblique, "4", 150);
    HotLettering(img, four, 522 - four.w / 2, 112 - 75, 3.0f, 5.0f);

    // TARVEL across the middle.
    Coverage title = FitText(kBoldOblique, "TARVEL", 420, 88, 2.0f);
    HotLettering(img, title, 22, 118, 3.0f, 6.0f);

    // A worm underlines the title, heading for the 4.
    std::vector<Point> under = {{-10, 232}, {300, 232}, {300, 222}, {440, 222}};
    Worm(img, under, Hex(kWormColours[3]), 9);
    Coverage tag = TextAtHeight(kSans, "up to four worms: keyboard, pads, network", 13, 0.6f);
    FlatLettering(img, tag, 300 - tag.w / 2, 246, Hex(0xE8E0B0), 0.9f);

    // The arena below: blocks, trails, a missile and the blast where another struck.
    Block(img, 400, 300, 40, 35, 1);
    Block(img, 150, 355, 35, 30, 2);
    Block(img, 30, 285, 30, 40, 3);
    std::vector<Point> green = {{-10, 355}, {110, 355}, {110, 300}, {250, 300}, {250, 322}};
    std::vector<Point> blue = {{610, 275}, {470, 275}, {470, 290}, {375, 290}, {375, 388}, {290, 388}};
    std::vector<Point> cyan = {{-10, 392}, {70, 392}, {70, 370}, {120, 370}, {120, 336}, {200, 336}};
    Worm(img, green, Hex(kWormColours[0]), 9);
    Worm(img, blue, Hex(kWormColours[1]), 9);
    Worm(img, cyan, Hex(kWormColours[2]), 9);
    Missile(img, 236, 336, 1, 0, 6);
    Missile(img, 318, 336, 1, 0, 6);
    Image blast = LargeExplosion();
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 44; ++x) {
            const Rgb& p = blast.At(x, y);
            if (std::max({p.r, p.g, p.b}) > 0.1f) img.Blend(353 + x, 314 + y, p, 1);
        }
    return img;
}

Image Splash() {
    Image img(640, 480);
    Stars(img, 700, 99, {{190, 390, 410, 430}}, 0.8f);
    // A planet's lit rim rises from below.
    art::ForEach(img, [&](int x, int y, float px, float py) {
        float d = std::hypot(px - 320, py - 1180) - 860;
        if (d < 0) {
            float n = Fbm(px * 0.015f, py * 0.03f, 3);
            img.At(x, y) = Mix(Hex(0x180A04), Hex(0x3A1A08), n * Clamp01(-d / 200));
        }
        float rim = std::exp(-std::pow(d / 7, 2.f)) + 0.4f * std::exp(-std::max(d, 0.f) / 40.f) * (d > 0);
        img.Add(x, y, Mix(kOrange, Hex(0xFFE0A0), Clamp01(1 - std::fabs(d) / 10)), rim * 0.8f);
    });
    Coverage vex = TextAtHeight(kBold, "VEX", 150, 10);
    HotLettering(img, vex, 320 - vex.w / 2, 92, 4.0f, 8.0f);
    Coverage presents = TextAtHeight(kSans, "p r e s e n t s", 22, 2);
    FlatLettering(img, presents, 320 - presents.w / 2, 268, Hex(0xFFF2B0));
    // A frame for the loading bar the game draws at (200, 400), 200 x 20.
    art::Rect(img, 196, 396, 404, 424, kBlock);
    art::Rect(img, 198, 398, 402, 422, Hex(0x000000));
    Coverage loading = TextAtHeight(kBold, "LOADING", 11, 3);
    FlatLettering(img, loading, 320 - loading.w / 2, 378, kBlock);
    return img;
}

} // namespace

std::vector<Picture> MakePictures() {
    std::vector<Picture> out;
    out.push_back({"graphics/vex.bmp", Splash()});
    out.push_back({"graphics/1tarv.bmp", TitleLettering()});
    out.push_back({"graphics/t4logo.bmp", Logo()});
    out.push_back({"graphics/players.bmp", PlayersCaption()});
    out.push_back({"graphics/play.bmp", PlayButton()});
    out.push_back({"graphics/quit.bmp", QuitButton()});
    out.push_back({"graphics/none.bmp", NoneIcon()});
    out.push_back({"graphics/human.bmp", HumanIcon()});
    out.push_back({"graphics/comp.bmp", ComputerIcon()});
    out.push_back({"graphics/ammo.bmp", AmmoLabel()});
    out.push_back({"graphics/pagain.bmp", AgainBanner()});

    auto sprite = [&](const char* name, const char* maskName, Image picture, float threshold) {
        Image mask = art::MakeMask(picture, threshold);
        out.push_back({std::string("graphics/") + name, std::move(picture)});
        out.push_back({std::string("graphics/") + maskName, std::move(mask), true});
    };
    sprite("sexplo.bmp", "m_sexplo.bmp", SmallExplosion(), 0.1f);
    sprite("lexplo.bmp", "m_lexplo.bmp", LargeExplosion(), 0.1f);
    sprite("snova.bmp", "m_snova.bmp", Supernova(), 0.1f);
    sprite("pressed.bmp", "m_press.bmp", PressedOverlay(), 0.02f);
    for (int i = 0; i < 4; ++i) {
        std::string n = std::to_string(i + 1);
        sprite(("ammo" + n + ".bmp").c_str(), ("m_ammo" + n + ".bmp").c_str(), AmmoBox(i), 0.05f);
    }
    return out;
}

} // namespace assets
