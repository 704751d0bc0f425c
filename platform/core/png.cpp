#include <stb_image_write.h>

#include <vector>

#include "platform/surface.h"

namespace plat {

bool WriteSurfacePng(Handle surface, const char* path) {
    const Colour* pixels = SurfacePixels(surface);
    if (!pixels) return false;
    int w = SurfaceWidth(surface), h = SurfaceHeight(surface);
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
        rgb[3 * i] = pixels[i] & 0xFF;
        rgb[3 * i + 1] = (pixels[i] >> 8) & 0xFF;
        rgb[3 * i + 2] = (pixels[i] >> 16) & 0xFF;
    }
    return stbi_write_png(path, w, h, 3, rgb.data(), w * 3) != 0;
}

} // namespace plat
