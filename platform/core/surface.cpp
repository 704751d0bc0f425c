// Pixel surfaces, clip regions, bitmaps and image lists, kept in memory. Shared by both back ends.
#include "platform/surface.h"

#include <SDL.h>

#include <algorithm>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/core/font.h"
#include "platform/files.h"

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
    int tilesX = 0, tilesY = 0;
    std::vector<uint8_t> changedTiles; // 1 = some pixel of the tile changed since the last take
    bool anyChanged = false;
};

struct Bitmap {
    int width = 0, height = 0;
    std::vector<Colour> pixels;
};

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

bool Drawable(const Surface& s, int x, int y) {
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return false;
    if (!s.clipped) return true;
    for (const Rect& r : s.clip)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

// Notes that pixels inside the rectangle may have changed; the rectangle is cut to the surface.
void NoteChange(Surface& s, int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, s.width);
    bottom = std::min(bottom, s.height);
    if (left >= right || top >= bottom) return;
    ++s.version;
    s.anyChanged = true;
    int tx0 = left / kChangeTile, tx1 = (right - 1) / kChangeTile;
    for (int ty = top / kChangeTile; ty <= (bottom - 1) / kChangeTile; ++ty)
        std::fill_n(s.changedTiles.begin() + static_cast<ptrdiff_t>(ty) * s.tilesX + tx0, tx1 - tx0 + 1, 1);
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
    s.tilesX = (width + kChangeTile - 1) / kChangeTile;
    s.tilesY = (height + kChangeTile - 1) / kChangeTile;
    s.changedTiles.assign(static_cast<size_t>(s.tilesX) * s.tilesY, 0);
    NoteChange(s, 0, 0, width, height);
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

std::vector<PixelRect> TakeSurfaceChanges(Handle surface) {
    std::vector<PixelRect> rects;
    Surface* s = Find(surfaces, surface);
    if (!s || !s->anyChanged) return rects;
    // Runs of changed tiles along each tile row; a run spanning the same columns as one in the
    // row above extends that rectangle downwards instead of starting another.
    std::vector<size_t> above, here;
    for (int ty = 0; ty < s->tilesY; ++ty) {
        here.clear();
        const uint8_t* row = s->changedTiles.data() + static_cast<ptrdiff_t>(ty) * s->tilesX;
        for (int tx = 0; tx < s->tilesX;) {
            if (!row[tx]) {
                ++tx;
                continue;
            }
            int start = tx;
            while (tx < s->tilesX && row[tx]) ++tx;
            PixelRect run{start * kChangeTile, ty * kChangeTile, std::min(tx * kChangeTile, s->width),
                          std::min((ty + 1) * kChangeTile, s->height)};
            auto same = std::find_if(above.begin(), above.end(), [&](size_t i) {
                return rects[i].left == run.left && rects[i].right == run.right;
            });
            if (same != above.end()) {
                rects[*same].bottom = run.bottom;
                here.push_back(*same);
            } else {
                here.push_back(rects.size());
                rects.push_back(run);
            }
        }
        above.swap(here);
    }
    std::fill(s->changedTiles.begin(), s->changedTiles.end(), 0);
    s->anyChanged = false;
    return rects;
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
        NoteChange(*s, r.left, r.top, r.right, r.bottom);
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
    NoteChange(*s, x, y, x + 1, y + 1);
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
    // Each letter cell is drawn through each clip rectangle it meets, only where they overlap;
    // rectangles that overlap each other draw the same pixels twice, to the same result.
    const Rect whole{0, 0, s->width, s->height};
    const Rect* clipBegin = s->clipped ? s->clip.data() : &whole;
    const Rect* clipEnd = s->clipped ? clipBegin + s->clip.size() : &whole + 1;
    for (int i = 0; i < count; ++i) {
        int cellX = x + i * kGlyphWidth;
        if (cellX >= s->width) break;
        if (cellX + kGlyphWidth <= 0) continue;
        const GlyphBitmap& glyph = Glyph(static_cast<unsigned char>(text[i]));
        for (const Rect* r = clipBegin; r != clipEnd; ++r) {
            int x0 = std::max({cellX, r->left, 0}), x1 = std::min({cellX + kGlyphWidth, r->right, s->width});
            int y0 = std::max({y, r->top, 0}), y1 = std::min({y + kGlyphHeight, r->bottom, s->height});
            for (int py = y0; py < y1; ++py) {
                Colour* row = s->pixels.data() + static_cast<size_t>(py) * s->width;
                const unsigned char* ink = glyph.ink[py - y];
                for (int px = x0; px < x1; ++px) {
                    if (ink[px - cellX])
                        row[px] = s->textColour;
                    else if (!s->textTransparent)
                        row[px] = s->textBackground;
                }
            }
        }
    }
    NoteChange(*s, x, y, static_cast<int>(std::min<int64_t>(x + int64_t{count} * kGlyphWidth, s->width)),
               y + kGlyphHeight);
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

namespace {

// A header claiming a picture far larger than any the game uses is a broken file: refuse it before
// the loader allocates for it.
constexpr int64_t kMaxBitmapPixels = 16 * 1024 * 1024;

bool PlausibleBmpHeader(SDL_RWops* file) {
    uint8_t header[26];
    if (SDL_RWread(file, header, 1, sizeof header) != sizeof header || header[0] != 'B' || header[1] != 'M')
        return false;
    SDL_RWseek(file, 0, RW_SEEK_SET);
    auto le32 = [&](int at) {
        return static_cast<int32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                    static_cast<uint32_t>(header[at + 3]) << 24);
    };
    uint32_t infoSize = static_cast<uint32_t>(le32(14));
    int64_t w, h;
    if (infoSize == 12) { // the old OS/2 header has 16-bit sizes
        w = header[18] | header[19] << 8;
        h = header[20] | header[21] << 8;
    } else {
        w = le32(18);
        h = le32(22);
    }
    if (h < 0) h = -h;
    return w > 0 && h > 0 && w * h <= kMaxBitmapPixels;
}

} // namespace

Handle LoadBitmapFile(const char* path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, 0, bytes)) return 0;
    SDL_RWops* file = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!file) return 0;
    if (!PlausibleBmpHeader(file)) {
        SDL_RWclose(file);
        return 0;
    }
    SDL_Surface* loaded = SDL_LoadBMP_RW(file, 1);
    if (!loaded) return 0;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    if (!rgba) return 0;
    Bitmap bmp;
    bmp.width = rgba->w;
    bmp.height = rgba->h;
    bmp.pixels.resize(static_cast<size_t>(bmp.width) * bmp.height);
    SDL_LockSurface(rgba);
    for (int y = 0; y < bmp.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgba->pixels) +
                                                            static_cast<ptrdiff_t>(y) * rgba->pitch);
        for (int x = 0; x < bmp.width; ++x)
            bmp.pixels[static_cast<size_t>(y) * bmp.width + x] = row[x] & 0xFFFFFF;
    }
    SDL_UnlockSurface(rgba);
    SDL_FreeSurface(rgba);
    Handle id = NewId();
    bitmaps[id] = std::move(bmp);
    return id;
}

void FreeBitmap(Handle bitmap) {
    bitmaps.erase(bitmap);
}

int BitmapWidth(Handle bitmap) {
    Bitmap* b = Find(bitmaps, bitmap);
    return b ? b->width : 0;
}

int BitmapHeight(Handle bitmap) {
    Bitmap* b = Find(bitmaps, bitmap);
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
    Bitmap* img = Find(bitmaps, image);
    if (!l || !img) return -1;
    Bitmap* msk = l->masked ? Find(bitmaps, mask) : nullptr;
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
    NoteChange(*s, x, y, x + l->width, y + l->height);
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
