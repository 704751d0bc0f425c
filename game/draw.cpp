// The two small pictures of a round that the rules draw themselves: heads and ammunition boxes.
#include "game/records.h"
#include "game/tick.h"
#include "gfx/canvas.h"

void DrawHead(int p) {
    FillBox(kCellPixels * game->headX[p], kCellPixels * game->headY[p], kCellPixels, kCellPixels,
            game->profiles[p].color);
}

void DrawBox(int16_t x, int16_t y) {
    // animFrame 0..5 swings the box through frames 0, 1, 2, 3, 2, 1.
    static const int16_t kFrames[6] = {0, 1, 2, 3, 2, 1};
    int frame = game->animFrame >= 0 && game->animFrame < 6 ? game->animFrame : 0;
    FillBox(x, y, 20, 20, 0);
    DrawSprite(game->imgAmmoBox, kFrames[frame], x, y);
}
