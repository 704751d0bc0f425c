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

using Rect = PixelRect;

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

// A loaded bitmap shares its picture with every other load of the same unchanged file.
using Bitmap = std::shared_ptr<const Picture>;

// A frame kept as the runs of opaque pixels on its rows, each with its colours already brought
// through the list's 16 bits: drawing copies runs rather than testing a mask pixel by pixel.
struct Run {
    int y, x, length; // within the frame
};

struct Frame {
    std::vector<Run> runs;       // row by row, left to right
    std::vector<Colour> colours; // every pixel of the frame, row by row
};

struct ImageList {
    int width = 0, height = 0;
    bool masked = false;
    std::vector<std::shared_ptr<const Frame>> frames;
};

// Lists filled again and again from the same unchanged pictures (a panel's picture goes through a
// list of its own each time it is drawn) share the frames cut the first time.
struct Cut {
    std::weak_ptr<const Picture> image, mask; // expired: that picture is gone, and the cut with it
    const Picture *imageAt, *maskAt;
    int width, height;
    std::vector<std::shared_ptr<const Frame>> frames;
};
std::vector<Cut> cuts;
constexpr size_t kCutLimit = 32;

// Cuts of pictures no longer loaded go with them.
void DropGoneCuts() {
    std::erase_if(cuts, [](const Cut& c) { return c.image.expired() || (c.maskAt && c.mask.expired()); });
}

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

template <class Map> typename Map::mapped_type* Find(Map& map, Handle id) {
    if (id == 0) return nullptr; // names nothing: no lookup (tools with pictures off draw on no surface)
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

// A colour stored at 5, 6 and 5 bits and widened again: each channel keeps its top bits and
// repeats the highest of them below (red and blue 5, green 6).
Colour Through16Bits(Colour c) {
    return (c & 0xF8FCF8) | ((c >> 5) & 0x070007) | ((c >> 6) & 0x000300);
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

Handle LoadBitmapFile(const char* path) {
    std::shared_ptr<const Picture> picture = ReadBitmapFile(path);
    if (!picture) return 0;
    Handle id = NewId();
    bitmaps[id] = std::move(picture);
    return id;
}

void FreeBitmap(Handle bitmap) {
    bitmaps.erase(bitmap);
    DropGoneCuts();
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

namespace {

// The frames of a picture cut at one size, through one mask (or none).
std::vector<std::shared_ptr<const Frame>> CutFrames(const Picture& img, const Picture* msk, int w, int h) {
    std::vector<std::shared_ptr<const Frame>> frames;
    for (int left = 0; left + w <= img.width; left += w) {
        auto f = std::make_shared<Frame>();
        f->colours.reserve(static_cast<size_t>(w) * h);
        f->runs.reserve(static_cast<size_t>(h)); // at least one a row, as a rule
        for (int y = 0; y < h && y < img.height; ++y) {
            const Colour* from = &img.pixels[static_cast<size_t>(y) * img.width + left];
            f->colours.insert(f->colours.end(), from, from + w);
        }
        for (Colour& c : f->colours) c = Through16Bits(c);
        f->colours.resize(static_cast<size_t>(w) * h); // rows below the picture are black
        for (int y = 0; y < h; ++y) {
            // White in the mask is a hole; beyond the mask's edges every pixel is opaque.
            const Colour* holes =
                msk && y < msk->height ? &msk->pixels[static_cast<size_t>(y) * msk->width] : nullptr;
            int maskEnd = holes ? std::clamp(msk->width - left, 0, w) : 0;
            if (maskEnd == 0) {
                f->runs.push_back({y, 0, w});
                continue;
            }
            auto opaque = [&](int x) { return x >= maskEnd || holes[left + x] != 0xFFFFFF; };
            for (int x = 0; x < w;) {
                if (!opaque(x)) {
                    ++x;
                    continue;
                }
                int start = x;
                while (x < w && opaque(x)) ++x;
                f->runs.push_back({y, start, x - start});
            }
        }
        frames.push_back(std::move(f));
    }
    return frames;
}

} // namespace

int AddToImageList(Handle list, Handle image, Handle mask) {
    ImageList* l = Find(imageLists, list);
    Bitmap* img = Find(bitmaps, image);
    if (!l || !img) return -1;
    Bitmap* msk = l->masked ? Find(bitmaps, mask) : nullptr;
    if ((*img)->width / l->width <= 0) return -1;
    const Picture* maskAt = msk ? msk->get() : nullptr;
    auto same = [&](const Cut& c) {
        return c.imageAt == img->get() && c.maskAt == maskAt && c.width == l->width &&
               c.height == l->height && !c.image.expired() && (!maskAt || !c.mask.expired());
    };
    auto cut = std::find_if(cuts.begin(), cuts.end(), same);
    if (cut == cuts.end()) {
        DropGoneCuts();
        if (cuts.size() >= kCutLimit) cuts.erase(cuts.begin());
        cuts.push_back({*img, msk ? std::weak_ptr<const Picture>(*msk) : std::weak_ptr<const Picture>(),
                        img->get(), maskAt, l->width, l->height,
                        CutFrames(**img, maskAt, l->width, l->height)});
        cut = cuts.end() - 1;
    }
    int first = static_cast<int>(l->frames.size());
    l->frames.insert(l->frames.end(), cut->frames.begin(), cut->frames.end());
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
    const Frame& f = *l->frames[static_cast<size_t>(frame)];
    // Each run is cut to every rectangle of the clip region (or to the surface) and copied.
    const Rect whole{0, 0, s->width, s->height};
    const Rect* clipFirst = s->clipped ? s->clip.data() : &whole;
    const Rect* clipEnd = s->clipped ? s->clip.data() + s->clip.size() : &whole + 1;
    for (const Run& run : f.runs) {
        int64_t row = int64_t{y} + run.y, left = int64_t{x} + run.x, right = left + run.length;
        if (row < 0 || row >= s->height) continue;
        const Colour* source = f.colours.data() + static_cast<size_t>(run.y) * l->width; // the frame's row
        for (const Rect* r = clipFirst; r != clipEnd; ++r) {
            if (row < r->top || row >= r->bottom) continue;
            int64_t from = std::max({left, int64_t{r->left}, int64_t{0}});
            int64_t to = std::min({right, int64_t{r->right}, int64_t{s->width}});
            if (from < to)
                std::copy(source + (from - x), source + (to - x),
                          &s->pixels[static_cast<size_t>(row * s->width + from)]);
        }
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
