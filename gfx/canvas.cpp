#include "gfx/canvas.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "platform/msgbox.h"
#include "platform/surface.h"

void FillBox(int32_t x, int32_t y, int32_t w, int32_t h, Colour colour) {
    if (w <= 0 || h <= 0) return;
    plat::FillRect(game->windowDC, x, y, x + w, y + h, colour);
}

void BlitBitmapFile(const char* path, int32_t x, int32_t y, int32_t w, int32_t h) {
    Handle bitmap = plat::LoadBitmapFile(path);
    if (!bitmap) {
        plat::ShowMessageBox(0, "Sorry, can't load bitmap file!", "BMP Error");
        return;
    }
    Handle list = plat::CreateImageList(w, h, false, 0, 1);
    if (!list) {
        plat::ShowMessageBox(0, "Sorry, can't create imagelist!", "BMP Error");
        plat::FreeBitmap(bitmap);
        return;
    }
    int first = plat::AddToImageList(list, bitmap, 0);
    plat::DrawImageListFrame(list, first, game->windowDC, x, y);
    plat::DestroyImageList(list);
    plat::FreeBitmap(bitmap);
}

void DrawSprite(Handle set, int16_t frame, int16_t x, int16_t y) {
    if (set) plat::DrawImageListFrame(set, frame, game->windowDC, x, y);
}

void DrawText(const char* text, int16_t x, int16_t y) {
    plat::DrawTextBytes(game->windowDC, x, y, text, static_cast<int>(std::strlen(text)));
}

void DrawNumber(int32_t n, int16_t x, int16_t y) {
    char text[12];
    std::snprintf(text, sizeof text, "%d", n);
    DrawText(text, x, y);
}

namespace {

// The sprite-set handles are packed GameRecord fields, so they are read and written by copying
// bytes at their offsets: a pointer to such a member may be unaligned.
Handle SpriteSet(std::size_t offset) {
    Handle set;
    std::memcpy(&set, reinterpret_cast<const char*>(game) + offset, sizeof set);
    return set;
}

void StoreSpriteSet(std::size_t offset, Handle set) {
    std::memcpy(reinterpret_cast<char*>(game) + offset, &set, sizeof set);
}

struct SpriteStep {
    const char* colourFile;
    const char* maskFile;
    std::size_t set; // offset of the sprite set's handle in GameRecord
    int frameSize;
    bool creates;
    bool waits;
    int barWidth;
};

const SpriteStep kSpriteSteps[8] = {
    {"graphics\\sexplo.bmp", "graphics\\m_sexplo.bmp", offsetof(GameRecord, imgSmallExplosion), 20, true,
     true, 20},
    {"graphics\\lexplo.bmp", "graphics\\m_lexplo.bmp", offsetof(GameRecord, imgLargeExplosion), 44, true,
     true, 40},
    {"graphics\\snova.bmp", "graphics\\m_snova.bmp", offsetof(GameRecord, imgSupernova), 84, true, true, 60},
    {"graphics\\pressed.bmp", "graphics\\m_press.bmp", offsetof(GameRecord, imgPressed), 32, true, true, 80},
    {"graphics\\ammo1.bmp", "graphics\\m_ammo1.bmp", offsetof(GameRecord, imgAmmoBox), 20, true, false, 110},
    {"graphics\\ammo2.bmp", "graphics\\m_ammo2.bmp", offsetof(GameRecord, imgAmmoBox), 20, false, true, 140},
    {"graphics\\ammo3.bmp", "graphics\\m_ammo3.bmp", offsetof(GameRecord, imgAmmoBox), 20, false, true, 160},
    {"graphics\\ammo4.bmp", "graphics\\m_ammo4.bmp", offsetof(GameRecord, imgAmmoBox), 20, false, true, 200},
};

// One step of LoadSprites; false ends the loading.
bool LoadSpriteStep(const SpriteStep& step) {
    Handle colour = plat::LoadBitmapFile(step.colourFile);
    if (!colour) return false;
    Handle mask = plat::LoadBitmapFile(step.maskFile);
    if (!mask) {
        plat::FreeBitmap(colour);
        return false;
    }
    if (step.creates) {
        StoreSpriteSet(step.set, plat::CreateImageList(step.frameSize, step.frameSize, true, 0, 2));
        if (!SpriteSet(step.set)) {
            plat::FreeBitmap(colour);
            plat::FreeBitmap(mask);
            return false;
        }
    }
    plat::AddToImageList(SpriteSet(step.set), colour, mask);
    plat::FreeBitmap(colour);
    plat::FreeBitmap(mask);
    if (step.waits) WaitMs(50);
    FillBox(200, 400, step.barWidth, 20, 0x0000FF);
    return true;
}

} // namespace

void LoadSprites() {
    FillBox(200, 400, 200, 20, 0xFFFFFF);
    for (const SpriteStep& step : kSpriteSteps)
        if (!LoadSpriteStep(step)) return;
    WaitMs(50);
}

void ReleaseSprites() {
    const std::size_t sets[] = {offsetof(GameRecord, imgAmmoBox), offsetof(GameRecord, imgPressed),
                                offsetof(GameRecord, imgLargeExplosion),
                                offsetof(GameRecord, imgSmallExplosion), offsetof(GameRecord, imgSupernova)};
    for (std::size_t set : sets) {
        Handle list = SpriteSet(set);
        if (!list) continue;
        plat::RemoveAllFromImageList(list);
        plat::DestroyImageList(list);
        StoreSpriteSet(set, 0);
    }
}
