// The desktop's icons: the window icon at the sizes of the hicolor theme, each pixel of it a
// square block, so the pixel art stays crisp at every size.
#include "resources/resources.h"
#include "tools/assetgen/assets.h"

namespace assets {

std::vector<Picture> MakeIcons() {
    std::vector<uint32_t> rgba(kIconSize * kIconSize);
    MakeIcon(rgba.data());
    std::vector<Picture> icons;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        art::Image image(size, size);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                uint32_t p =
                    rgba[static_cast<size_t>(y * kIconSize / size) * kIconSize + x * kIconSize / size];
                image.At(x, y) = {static_cast<float>(p & 0xFF) / 255.f,
                                  static_cast<float>(p >> 8 & 0xFF) / 255.f,
                                  static_cast<float>(p >> 16 & 0xFF) / 255.f};
            }
        std::string name = std::to_string(size) + "x" + std::to_string(size);
        icons.push_back({"icons/hicolor/" + name + "/apps/tarvel4.png", image});
    }
    return icons;
}

} // namespace assets
