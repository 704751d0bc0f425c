#include "platform/core/bitmap_file.h"

#include <SDL.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <unordered_map>

#include "platform/files.h"
#include "platform/held_files.h"
#include "platform/surface.h"

namespace plat {
namespace {

// A header claiming a picture far larger than any the game uses is a broken file, and so is one
// whose uncompressed rows cannot all be in the file: refuse it before the loader allocates for it.
constexpr int64_t kMaxBitmapPixels = 16 * 1024 * 1024;
int64_t pixelLimit = kMaxBitmapPixels;

bool PlausibleBmpHeader(SDL_RWops* file) {
    uint8_t header[34] = {};
    size_t got = SDL_RWread(file, header, 1, sizeof header);
    if (got < 26 || header[0] != 'B' || header[1] != 'M') return false;
    int64_t available = SDL_RWsize(file);
    SDL_RWseek(file, 0, RW_SEEK_SET);
    auto le32 = [&](int at) {
        return static_cast<int32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                    static_cast<uint32_t>(header[at + 3]) << 24);
    };
    uint32_t infoSize = static_cast<uint32_t>(le32(14));
    int64_t w, h, bits;
    bool rows = true;     // rows stored as they are, not run-length coded or otherwise packed
    if (infoSize == 12) { // the old OS/2 header has 16-bit sizes
        w = header[18] | header[19] << 8;
        h = header[20] | header[21] << 8;
        bits = header[24] | header[25] << 8;
    } else {
        w = le32(18);
        h = le32(22);
        bits = header[28] | header[29] << 8;
        uint32_t compression = static_cast<uint32_t>(le32(30));
        rows = compression == 0 || compression == 3; // plain, or plain with bit fields
    }
    if (h < 0) h = -h;
    if (w <= 0 || h <= 0 || w * h > pixelLimit) return false;
    return !rows || (w * bits + 7) / 8 * h <= available;
}

// The file opened for SDL to read, with what identifies the file opened; nullptr when it cannot be.
SDL_RWops* OpenStream(const char* name, struct stat& st) {
    std::FILE* stream = std::fopen(name, "rbe"); // e: close on exec
    if (!stream) return nullptr;
    SDL_RWops* file = fstat(fileno(stream), &st) == 0 ? SDL_RWFromFP(stream, SDL_TRUE) : nullptr;
    if (!file) std::fclose(stream);
    return file;
}

// Decodes the bitmap a stream reads (none: nothing), and closes it.
std::shared_ptr<const Picture> Decode(SDL_RWops* file) {
    if (!file) return nullptr;
    if (!PlausibleBmpHeader(file)) {
        SDL_RWclose(file);
        return nullptr;
    }
    SDL_Surface* loaded = SDL_LoadBMP_RW(file, 1);
    if (!loaded) return nullptr;
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ABGR8888, 0);
    SDL_FreeSurface(loaded);
    if (!rgba) return nullptr;
    auto picture = std::make_shared<Picture>();
    picture->width = rgba->w;
    picture->height = rgba->h;
    picture->pixels.reserve(static_cast<size_t>(rgba->w) * rgba->h);
    SDL_LockSurface(rgba);
    for (int y = 0; y < rgba->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgba->pixels) +
                                                            static_cast<ptrdiff_t>(y) * rgba->pitch);
        picture->pixels.insert(picture->pixels.end(), row, row + rgba->w);
    }
    SDL_UnlockSurface(rgba);
    for (Colour& pixel : picture->pixels) pixel &= 0xFFFFFF;
    SDL_FreeSurface(rgba);
    return picture;
}

// What tells one state of a file from another: rewriting, replacing, renaming over or changing
// the permissions of a file changes at least one of these. File times are coarse (a rewrite a few
// milliseconds after the last one may keep them), so only a file left alone for a while is kept.
struct Stamp {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified, changed;

    explicit Stamp(const struct stat& st)
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim), changed(st.st_ctim) {}
    bool operator==(const Stamp& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
    bool Settled() const {
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        return now.tv_sec - changed.tv_sec >= kSettleSeconds &&
               now.tv_sec - modified.tv_sec >= kSettleSeconds;
    }
    static constexpr time_t kSettleSeconds = 2;
};

struct Kept {
    Stamp stamp;
    std::shared_ptr<const Picture> picture;
};

// By host path. The game reads a few dozen pictures; a caller reading ever new names only makes
// the store start again.
std::unordered_map<std::string, Kept> kept;
constexpr size_t kKeptLimit = 64;

bool skipping = false;

} // namespace

void LimitBitmapPixels(int64_t pixels) {
    pixelLimit = pixels > 0 ? pixels : kMaxBitmapPixels;
}

void SkipPictures(bool skip) {
    skipping = skip;
}

std::shared_ptr<const Picture> ReadBitmapFile(const char* path) {
    static const auto kEmpty = std::make_shared<const Picture>();
    if (skipping) return kEmpty;
    if (const std::vector<uint8_t>* held = HeldFile(path))
        return Decode(SDL_RWFromConstMem(held->data(), static_cast<int>(held->size())));
    char host[1024];
    const char* name = HostPath(path, host, sizeof host);
    struct stat st;
    if (stat(name, &st) != 0) return nullptr;
    auto it = kept.find(name);
    if (it != kept.end() && it->second.stamp == Stamp(st)) return it->second.picture;
    std::shared_ptr<const Picture> picture = Decode(OpenStream(name, st));
    kept.erase(name);
    if (!picture || !Stamp(st).Settled()) return picture;
    if (kept.size() >= kKeptLimit) kept.clear();
    kept.emplace(name, Kept{Stamp(st), picture});
    return picture;
}

} // namespace plat
