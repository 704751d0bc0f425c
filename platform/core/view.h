// Where the game's 640 x 480 view sits in a window of any size: the largest whole factor at which
// it fits below the menu bar (at least 1), centred on black, and mouse positions mapped back.
#pragma once

namespace plat::view {

struct Place {
    int scale = 1;
    int x = 0, y = 0;   // the view's top-left corner, window pixels
    int menuHeight = 0; // the menu bar's height at this scale
    bool operator==(const Place&) const = default;
};

// The menu bar's font and padding at scale 1; both grow with the scale.
constexpr float kBarFont = 15.0f, kBarPadY = 3.0f;
int MenuBarHeight(int scale);
// The largest whole factor at which the view and the menu bar over it fit w x h pixels (at least 1).
int FitScale(int width, int height);
// The view at that factor in a window of w x h pixels: under the bar, centred in the rest.
Place PlaceIn(int width, int height);
// The client point under a window pixel; false on the black border around the view.
bool ToClient(const Place& place, int windowX, int windowY, int& x, int& y);

} // namespace plat::view
