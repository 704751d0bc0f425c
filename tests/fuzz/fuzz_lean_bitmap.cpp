// Lean: any bytes as a bitmap file, held in memory, decoded and cut into frames through itself
// as the mask, with frames drawn over the corners of a small surface. Pictures over 16384 pixels
// are refused as too large here: their headers are read all the same, and the whole-system
// target takes the large ones.
#include <cstdint>

#include "platform/held_files.h"
#include "platform/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const plat::Handle surface = (plat::LimitBitmapPixels(16384), plat::CreateSurface(48, 48));
    plat::HoldFile("graphics\\input.bmp", data, size);
    plat::Handle bitmap = plat::LoadBitmapFile("graphics\\input.bmp");
    if (!bitmap) return 0;
    plat::Handle list = plat::CreateImageList(20, 20, true, 0, 2);
    if (plat::AddToImageList(list, bitmap, bitmap) >= 0) {
        plat::DrawImageListFrame(list, 0, surface, -7, 30);
        plat::DrawImageListFrame(list, plat::ImageListCount(list) - 1, surface, 40, -3);
    }
    plat::DestroyImageList(list);
    plat::FreeBitmap(bitmap);
    return 0;
}
