// The contact sheet: every picture and mask at twice its size with its name, and the title
// screen put together as the game draws it, for looking at the art in one place.
#pragma once
#include <string>
#include <vector>

#include "tools/assetgen/assets.h"

namespace assets {

art::Image ContactSheet(const std::vector<Picture>& pictures, const std::vector<TextFile>& texts);
// The title screen as the game paints it (logo, caption, buttons, slots, boxes, ticker).
art::Image TitlePreview(const std::vector<Picture>& pictures, const std::vector<TextFile>& texts);

} // namespace assets
