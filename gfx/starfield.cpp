#include "gfx/starfield.h"

#include "game/records.h"
#include "gfx/canvas.h"
#include "platform/surface.h"

namespace {

constexpr Colour kStarColour = 0x00FFFF;

// Draws the three ticker texts at their positions through whatever clip is selected.
void DrawTickerTexts() {
    for (int k = 0; k < 3; ++k) {
        int length = game->scrollerLength[k];
        if (length > 256) length = 256;
        plat::DrawTextBytes(game->windowDC, game->scrollerX[k], 420, game->scrollerText[k], length);
    }
}

} // namespace

void InitStarfield() {
    for (int i = 0; i < 100; ++i) {
        stars->starX[i] = static_cast<int16_t>(Random() % 600);
        stars->starY[i] = static_cast<int16_t>(Random() % 400);
        stars->starSpeed[i] = static_cast<int8_t>(Random() % 4 + 1);
        stars->starBackground[i] = 0;
    }
}

void StarfieldStep() {
    Handle dc = game->windowDC;
    for (int i = 0; i < 50; ++i) {
        plat::WritePixel(dc, stars->starX[i], stars->starY[i], stars->starBackground[i]);
        stars->starX[i] = static_cast<int16_t>(stars->starX[i] + stars->starSpeed[i]);
        if (stars->starX[i] > 640) {
            stars->starY[i] = static_cast<int16_t>(Random() % 400);
            stars->starX[i] = -10;
            stars->starSpeed[i] = static_cast<int8_t>(Random() % 4 + 1);
        }
        stars->starBackground[i] = plat::ReadPixel(dc, stars->starX[i], stars->starY[i]);
        if ((stars->starBackground[i] & 0xFFFFFF) == kStarColour) stars->starBackground[i] = 0;
        if ((stars->starBackground[i] & 0xFFFFFF) == 0)
            plat::WritePixel(dc, stars->starX[i], stars->starY[i], kStarColour);
    }
}

void ScrollerStep() {
    Handle dc = game->windowDC;
    plat::SetTextTransparent(dc, true);
    FillBox(0, 420, 640, 20, 0);
    plat::SetTextColour(dc, 0x0000FF);
    for (int off = 0; off <= 60; off += 20) {
        Handle left = plat::CreateRectRegion(off, 420, off + 20, 440);
        Handle right = plat::CreateRectRegion(640 - off, 420, 620 - off, 440);
        plat::UnionRegions(left, left, right);
        plat::SelectClipRegion(dc, left);
        plat::SetTextColour(dc, static_cast<Colour>(off + 120));
        DrawTickerTexts();
        plat::SelectClipRegion(dc, 0);
        plat::DeleteRegion(left);
        plat::DeleteRegion(right);
    }
    Handle middle = plat::CreateRectRegion(80, 420, 560, 440);
    plat::SelectClipRegion(dc, middle);
    plat::SetTextColour(dc, 0x0000FF);
    DrawTickerTexts();
    plat::SelectClipRegion(dc, 0);
    plat::DeleteRegion(middle);
    for (int k = 0; k < 3; ++k) {
        game->scrollerX[k] -= 5;
        if (game->scrollerX[k] == -1420) game->scrollerX[k] = 640;
    }
}
