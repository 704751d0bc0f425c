#include "tools/assetgen/sheet.h"

#include <algorithm>

namespace assets {

using art::Hex;
using art::Image;
using art::Rgb;

namespace {

const Picture* Find(const std::vector<Picture>& pictures, const std::string& file) {
    for (const Picture& p : pictures)
        if (p.file == file) return &p;
    return nullptr;
}

// The mask that goes with a sprite picture, if it has one.
const Picture* MaskOf(const std::vector<Picture>& pictures, const Picture& picture) {
    std::string base = picture.file.substr(picture.file.find('/') + 1);
    std::string name = base == "pressed.bmp" ? "m_press.bmp" : "m_" + base;
    return Find(pictures, "graphics/" + name);
}

void Paste(Image& dest, const Image& src, int x, int y, int scale) {
    for (int sy = 0; sy < src.h * scale; ++sy)
        for (int sx = 0; sx < src.w * scale; ++sx)
            if (dest.Inside(x + sx, y + sy)) dest.At(x + sx, y + sy) = src.At(sx / scale, sy / scale);
}

// Draws a sprite through its mask: white in the mask leaves the destination alone.
void PasteMasked(Image& dest, const Image& src, const Image& mask, int x, int y) {
    for (int sy = 0; sy < src.h; ++sy)
        for (int sx = 0; sx < src.w; ++sx) {
            const Rgb& m = mask.At(sx, sy);
            if (m.r > 0.99f && m.g > 0.99f && m.b > 0.99f) continue;
            if (dest.Inside(x + sx, y + sy)) dest.At(x + sx, y + sy) = src.At(sx, sy);
        }
}

void Label(Image& img, const std::string& text, int x, int y, Rgb colour) {
    art::Coverage c = art::RenderText("DejaVuSans.ttf", text, 15);
    art::PaintCoverage(img, c, x, y, [&](float, float) { return colour; });
}

void Box(Image& img, int x0, int y0, int x1, int y1, Rgb colour) {
    art::Rect(img, x0, y0, x1, y0 + 1, colour);
    art::Rect(img, x0, y1 - 1, x1, y1, colour);
    art::Rect(img, x0, y0, x0 + 1, y1, colour);
    art::Rect(img, x1 - 1, y0, x1, y1, colour);
}

} // namespace

Image ContactSheet(const std::vector<Picture>& pictures, const std::vector<TextFile>& texts) {
    struct Cell {
        const Picture* picture;
        const Picture* mask;
        int w, h;
    };
    std::vector<Cell> cells;
    for (const Picture& p : pictures) {
        if (p.mask) continue;
        const Picture* m = MaskOf(pictures, p);
        int w = p.image.w * 2 + (m ? m->image.w * 2 + 12 : 0);
        // Room for the name underneath.
        w = std::max(w, static_cast<int>(p.file.size() - 9 + (m ? m->file.size() - 6 : 0) + 10) * 8);
        cells.push_back({&p, m, w, p.image.h * 2 + 26});
    }
    const int width = 2560, gap = 24;
    // Shelf packing: fill rows left to right.
    std::vector<std::pair<int, int>> at(cells.size());
    int x = gap, y = gap, rowHeight = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (x + cells[i].w + gap > width) x = gap, y += rowHeight + gap, rowHeight = 0;
        at[i] = {x, y};
        x += cells[i].w + gap;
        rowHeight = std::max(rowHeight, cells[i].h);
    }
    Image preview = TitlePreview(pictures, texts);
    int previewY = y + rowHeight + gap;
    Image sheet(width, previewY + preview.h + 26 + gap, Hex(0x2C2C34));
    for (size_t i = 0; i < cells.size(); ++i) {
        auto [cx, cy] = at[i];
        const Image& img = cells[i].picture->image;
        Box(sheet, cx - 1, cy - 1, cx + img.w * 2 + 1, cy + img.h * 2 + 1, Hex(0x60606C));
        Paste(sheet, img, cx, cy, 2);
        std::string name =
            cells[i].picture->file.substr(9) + "  " + std::to_string(img.w) + "x" + std::to_string(img.h);
        if (cells[i].mask) {
            const Image& m = cells[i].mask->image;
            int mx = cx + img.w * 2 + 12;
            Box(sheet, mx - 1, cy - 1, mx + m.w * 2 + 1, cy + m.h * 2 + 1, Hex(0x60606C));
            Paste(sheet, m, mx, cy, 2);
            name += " + " + cells[i].mask->file.substr(9);
        }
        Label(sheet, name, cx, cy + img.h * 2 + 6, Hex(0xE0E0E0));
    }
    Paste(sheet, preview, gap, previewY, 1);
    Label(sheet, "title screen as the game paints it (1x)", gap, previewY + preview.h + 6, Hex(0xE0E0E0));
    return sheet;
}

Image TitlePreview(const std::vector<Picture>& pictures, const std::vector<TextFile>& texts) {
    Image screen(640, 480);
    auto blit = [&](const char* file, int x, int y) {
        if (const Picture* p = Find(pictures, file)) Paste(screen, p->image, x, y, 1);
    };
    blit("graphics/t4logo.bmp", 0, 0);
    blit("graphics/players.bmp", 100, 10);
    blit("graphics/quit.bmp", 526, 316);
    blit("graphics/play.bmp", 476, 316);
    const char* icons[4] = {"graphics/human.bmp", "graphics/comp.bmp", "graphics/comp.bmp",
                            "graphics/none.bmp"};
    for (int i = 0; i < 4; ++i) {
        art::Rect(screen, 64 * i + 38, 38, 64 * i + 74, 74, Hex(kWormColours[i]));
        blit(icons[i], 64 * i + 40, 40);
    }
    const Picture* box = Find(pictures, "graphics/ammo1.bmp");
    const Picture* boxMask = Find(pictures, "graphics/m_ammo1.bmp");
    for (int bx : {70, 210}) {
        art::Rect(screen, bx, 10, bx + 20, 30, Hex(0));
        if (box && boxMask) PasteMasked(screen, box->image, boxMask->image, bx, 10);
    }
    // The ticker band with the first text, full red in the middle, darker towards the edges.
    if (!texts.empty()) {
        art::Coverage line = art::RenderText("DejaVuSansMono.ttf", texts[0].text, 15);
        Image band(640, 20);
        art::PaintCoverage(band, line, 60, 3, [](float, float) { return Hex(0xFF0000); });
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 640; ++x) {
                int edge = std::min(x, 639 - x);
                float k = edge >= 80 ? 1.f : (120 + 20 * (edge / 20)) / 255.f;
                screen.At(x, 420 + y) = art::Scale(band.At(x, y), k);
            }
    }
    return screen;
}

} // namespace assets
