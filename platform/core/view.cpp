#include "platform/core/view.h"

#include <algorithm>

#include "platform/types.h"

namespace plat::view {

int MenuBarHeight(int scale) {
    return static_cast<int>((kBarFont + 2 * kBarPadY) * static_cast<float>(scale));
}

int FitScale(int width, int height) {
    int k = 1;
    while (kScreenWidth * (k + 1) <= width && kScreenHeight * (k + 1) + MenuBarHeight(k + 1) <= height) ++k;
    return k;
}

Place PlaceIn(int width, int height) {
    Place place;
    place.scale = FitScale(width, height);
    place.menuHeight = MenuBarHeight(place.scale);
    place.x = std::max(0, (width - kScreenWidth * place.scale) / 2);
    place.y = place.menuHeight + std::max(0, (height - place.menuHeight - kScreenHeight * place.scale) / 2);
    return place;
}

bool ToClient(const Place& place, int windowX, int windowY, int& x, int& y) {
    int cx = windowX - place.x, cy = windowY - place.y;
    if (cx < 0 || cy < 0) return false;
    x = cx / place.scale;
    y = cy / place.scale;
    return x < kScreenWidth && y < kScreenHeight;
}

} // namespace plat::view
