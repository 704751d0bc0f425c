// Pixel surfaces, clip regions, bitmaps and image lists, kept in memory. Shared by both back ends.
#include "platform/surface.h"

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/core/bitmap_file.h"
#include "platform/core/font.h"

namespace plat {
namespace {

struct Rect {
    int left, top, right, bottom;
};

struct Surface {
    int width = 0, height = 0;
    std::vector<Colour> pixels;
    Colour textColour = 0;
    Colour textBackground = 0xFFFFFF;
    bool textTransparent = false;
    bool clipped = false;
    std::vector<Rect> clip; // union of rectangles while clipped
    uint64_t version = 0;
};

// A loaded bitmap shares its picture with every other load of the same unchanged file.
using Bitmap = std::shared_ptr<const Picture>;

struct Frame {
    std::vector<uint16_t> rgb565;
    std::vector<uint8_t> opaque; // 1 = drawn, 0 = transparent
};

struct ImageList {
    int width = 0, height = 0;
    bool masked = false;
    std::vector<Frame> frames;
};

// Ids are handed out from one counter so a stale id of one kind never names another object.
Handle nextId = 1;
std::unordered_map<Handle, Surface> surfaces;
std::unordered_map<Handle, std::vector<Rect>> regions;
std::unordered_map<Handle, Bitmap> bitmaps;
std::unordered_map<Handle, ImageList> imageLists;
int failImageLists = 0;

Handle NewId() {
    Handle id = nextId++;
    if (nextId == 0) nextId = 1;
    return id;
}

template <class Map> auto* Find(Map& map, Handle id) {
    auto it = map.find(id);
    return it == map.end() ? nullptr : &it->second;
}

const Picture* FindPicture(Handle bitmap) {
    Bitmap* b = Find(bitmaps, bitmap);
    return b ? b->get() : nullptr;
}

bool Drawable(const Surface& s, int x, int y) {
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return false;
    if (!s.clipped) return true;
    for (const Rect& r : s.clip)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

uint16_t To565(Colour c) {
    unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

Colour From565(uint16_t v) {
    unsigned r5 = v >> 11, g6 = (v >> 5) & 0x3F, b5 = v & 0x1F;
    unsigned r = (r5 << 3) | (r5 >> 2), g = (g6 << 2) | (g6 >> 4), b = (b5 << 3) | (b5 >> 2);
    return r | (g << 8) | (b << 16);
}

} // namespace

Handle CreateSurface(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    Handle id = NewId();
    Surface& s = surfaces[id];
    s.width = width;
    s.height = height;
    s.pixels.assign(static_cast<size_t>(width) * height, 0);
    return id;
}

void DestroySurface(Handle surface) {
    surfaces.erase(surface);
}

int SurfaceWidth(Handle surface) {
    Surface* s = Find(surfaces, surface);
    return s ? s->width : 0;
}

int SurfaceHeight(Handle surface) {
    Surface* s = Find(surfaces, surface);
    return s ? s->height : 0;
}

const Colour* SurfacePixels(Handle surface) {
    Surface* s = Find(surfaces, surface);
    return s ? s->pixels.data() : nullptr;
}

uint64_t SurfaceVersion(Handle surface) {
    Surface* s = Find(surfaces, surface);
    return s ? s->version : 0;
}

void FillRect(Handle surface, int left, int top, int right, int bottom, Colour colour) {
    Surface* s = Find(surfaces, surface);
    if (!s) return;
    colour &= 0x00FFFFFF;
    auto fill = [&](Rect r) {
        r.left = std::max({r.left, left, 0});
        r.top = std::max({r.top, top, 0});
        r.right = std::min({r.right, right, s->width});
        r.bottom = std::min({r.bottom, bottom, s->height});
        if (r.left >= r.right || r.top >= r.bottom) return;
        for (int y = r.top; y < r.bottom; ++y)
            std::fill(s->pixels.begin() + static_cast<ptrdiff_t>(y) * s->width + r.left,
                      s->pixels.begin() + static_cast<ptrdiff_t>(y) * s->width + r.right, colour);
        ++s->version;
    };
    if (!s->clipped)
        fill({0, 0, s->width, s->height});
    else
        for (const Rect& r : s->clip) fill(r); // overlapping parts are filled twice, with the same colour
}

Colour ReadPixel(Handle surface, int x, int y) {
    Surface* s = Find(surfaces, surface);
    if (!s || x < 0 || y < 0 || x >= s->width || y >= s->height) return kNoColour;
    return s->pixels[static_cast<size_t>(y) * s->width + x];
}

void WritePixel(Handle surface, int x, int y, Colour colour) {
    Surface* s = Find(surfaces, surface);
    if (!s || !Drawable(*s, x, y)) return;
    s->pixels[static_cast<size_t>(y) * s->width + x] = colour & 0x00FFFFFF;
    ++s->version;
}

void SetTextColour(Handle surface, Colour colour) {
    if (Surface* s = Find(surfaces, surface)) s->textColour = colour & 0x00FFFFFF;
}

void SetTextTransparent(Handle surface, bool transparent) {
    if (Surface* s = Find(surfaces, surface)) s->textTransparent = transparent;
}

void SetTextBackground(Handle surface, Colour colour) {
    if (Surface* s = Find(surfaces, surface)) s->textBackground = colour & 0x00FFFFFF;
}

Colour TextColour(Handle surface) {
    Surface* s = Find(surfaces, surface);
    return s ? s->textColour : 0;
}

bool TextTransparent(Handle surface) {
    Surface* s = Find(surfaces, surface);
    return s && s->textTransparent;
}

void DrawTextBytes(Handle surface, int x, int y, const char* text, int count) {
    Surface* s = Find(surfaces, surface);
    if (!s || !text || count <= 0) return;
    for (int i = 0; i < count; ++i) {
        int cellX = x + i * kGlyphWidth;
        if (cellX >= s->width) break;
        if (cellX + kGlyphWidth <= 0) continue;
        const GlyphBitmap& glyph = Glyph(static_cast<unsigned char>(text[i]));
        for (int gy = 0; gy < kGlyphHeight; ++gy)
            for (int gx = 0; gx < kGlyphWidth; ++gx) {
                int px = cellX + gx, py = y + gy;
                if (!Drawable(*s, px, py)) continue;
                Colour& pixel = s->pixels[static_cast<size_t>(py) * s->width + px];
                if (glyph.ink[gy][gx])
                    pixel = s->textColour;
                else if (!s->textTransparent)
                    pixel = s->textBackground;
            }
    }
    ++s->version;
}

Handle CreateRectRegion(int left, int top, int right, int bottom) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    Handle id = NewId();
    regions[id] = {Rect{left, top, right, bottom}};
    return id;
}

void UnionRegions(Handle dest, Handle a, Handle b) {
    auto* d = Find(regions, dest);
    auto* ra = Find(regions, a);
    auto* rb = Find(regions, b);
    if (!d || !ra || !rb) return;
    std::vector<Rect> merged = *ra;
    merged.insert(merged.end(), rb->begin(), rb->end());
    *d = std::move(merged);
}

void DeleteRegion(Handle region) {
    regions.erase(region);
}

void SelectClipRegion(Handle surface, Handle region) {
    Surface* s = Find(surfaces, surface);
    if (!s) return;
    auto* r = Find(regions, region);
    s->clipped = r != nullptr;
    s->clip = r ? *r : std::vector<Rect>{};
}

Handle LoadBitmapFile(const char* path) {
    std::shared_ptr<const Picture> picture = ReadBitmapFile(path);
    if (!picture) return 0;
    Handle id = NewId();
    bitmaps[id] = std::move(picture);
    return id;
}

void FreeBitmap(Handle bitmap) {
    bitmaps.erase(bitmap);
}

int BitmapWidth(Handle bitmap) {
    const Picture* b = FindPicture(bitmap);
    return b ? b->width : 0;
}

int BitmapHeight(Handle bitmap) {
    const Picture* b = FindPicture(bitmap);
    return b ? b->height : 0;
}

Handle CreateImageList(int frameWidth, int frameHeight, bool masked, int /*initialCapacity*/, int /*grow*/) {
    if (failImageLists > 0) {
        --failImageLists;
        return 0;
    }
    if (frameWidth <= 0 || frameHeight <= 0) return 0;
    Handle id = NewId();
    ImageList& list = imageLists[id];
    list.width = frameWidth;
    list.height = frameHeight;
    list.masked = masked;
    return id;
}

int AddToImageList(Handle list, Handle image, Handle mask) {
    ImageList* l = Find(imageLists, list);
    const Picture* img = FindPicture(image);
    if (!l || !img) return -1;
    const Picture* msk = l->masked ? FindPicture(mask) : nullptr;
    int strips = img->width / l->width;
    if (strips <= 0) return -1;
    int first = static_cast<int>(l->frames.size());
    for (int strip = 0; strip < strips; ++strip) {
        Frame f;
        f.rgb565.assign(static_cast<size_t>(l->width) * l->height, 0);
        f.opaque.assign(static_cast<size_t>(l->width) * l->height, 1);
        for (int y = 0; y < l->height; ++y)
            for (int x = 0; x < l->width; ++x) {
                int sx = strip * l->width + x;
                size_t i = static_cast<size_t>(y) * l->width + x;
                if (y < img->height)
                    f.rgb565[i] = To565(img->pixels[static_cast<size_t>(y) * img->width + sx]);
                if (msk && sx < msk->width && y < msk->height)
                    f.opaque[i] = msk->pixels[static_cast<size_t>(y) * msk->width + sx] != 0xFFFFFF;
            }
        l->frames.push_back(std::move(f));
    }
    return first;
}

int ImageListCount(Handle list) {
    ImageList* l = Find(imageLists, list);
    return l ? static_cast<int>(l->frames.size()) : 0;
}

void DrawImageListFrame(Handle list, int frame, Handle surface, int x, int y) {
    ImageList* l = Find(imageLists, list);
    Surface* s = Find(surfaces, surface);
    if (!l || !s || frame < 0 || frame >= static_cast<int>(l->frames.size())) return;
    const Frame& f = l->frames[static_cast<size_t>(frame)];
    for (int fy = 0; fy < l->height; ++fy)
        for (int fx = 0; fx < l->width; ++fx) {
            size_t i = static_cast<size_t>(fy) * l->width + fx;
            if (!f.opaque[i] || !Drawable(*s, x + fx, y + fy)) continue;
            s->pixels[static_cast<size_t>(y + fy) * s->width + (x + fx)] = From565(f.rgb565[i]);
        }
    ++s->version;
}

void RemoveAllFromImageList(Handle list) {
    if (ImageList* l = Find(imageLists, list)) l->frames.clear();
}

void DestroyImageList(Handle list) {
    imageLists.erase(list);
}

ObjectCounts LiveObjects() {
    return {static_cast<int>(surfaces.size()), static_cast<int>(regions.size()),
            static_cast<int>(bitmaps.size()), static_cast<int>(imageLists.size())};
}

void FailNextImageLists(int count) {
    failImageLists = count;
}

} // namespace plat
