// Reading BMP files into pictures. A decoded picture is kept while its file stays as it was, so a
// picture drawn again and again (the panels' ammunition, the results) is decoded once; a file that
// is rewritten, replaced or removed is read again, or fails, exactly as the first time.
#pragma once
#include <memory>
#include <vector>

#include "platform/types.h"

namespace plat {

struct Picture {
    int width = 0, height = 0;
    std::vector<Colour> pixels; // rows top to bottom, 0x00BBGGRR
};

// The picture in a BMP file named as the game names it (held files included); nullptr when it
// cannot be read or is not a plausible bitmap.
std::shared_ptr<const Picture> ReadBitmapFile(const char* path);

} // namespace plat
