#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "gfx/canvas.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "tests/fixture.h"
#include "tests/test_files.h"

namespace {

const char* const kSpriteFiles[] = {"sexplo",  "m_sexplo", "lexplo", "m_lexplo", "snova", "m_snova",
                                    "pressed", "m_press",  "ammo1",  "m_ammo1",  "ammo2", "m_ammo2",
                                    "ammo3",   "m_ammo3",  "ammo4",  "m_ammo4"};

int SpriteSize(const std::string& name) {
    if (name.find("lexplo") != std::string::npos) return 44;
    if (name.find("snova") != std::string::npos) return 84;
    if (name.find("press") != std::string::npos) return 32;
    return 20;
}

// Sprite pictures in red; masks opaque (black) in a centred disc, white around it.
void WriteSpriteFiles() {
    std::filesystem::create_directories("graphics");
    for (const char* name : kSpriteFiles) {
        std::string n = name;
        int size = SpriteSize(n);
        bool mask = n.rfind("m_", 0) == 0;
        WriteBmp("graphics/" + n + ".bmp", size, size, [&](int x, int y) -> uint32_t {
            int dx = 2 * x + 1 - size, dy = 2 * y + 1 - size;
            bool inside = dx * dx + dy * dy < size * size;
            if (mask) return inside ? 0x000000 : 0xFFFFFF;
            return inside ? 0x0000FF : 0x00FF00;
        });
    }
}

} // namespace

TEST_F(GameTest, FillBoxCoversExactlyItsRectangle) {
    FillBox(600, 0, 4, 404, 0x1EFFFF);
    EXPECT_EQ(Pixel(600, 0), 0x1EFFFFu);
    EXPECT_EQ(Pixel(603, 403), 0x1EFFFFu);
    EXPECT_EQ(Pixel(599, 10), 0u);
    EXPECT_EQ(Pixel(604, 10), 0u);
    EXPECT_EQ(Pixel(601, 404), 0u);
    FillBox(10, 10, 0, 5, 0xFFFFFF);
    FillBox(10, 10, 5, -3, 0xFFFFFF);
    EXPECT_EQ(Pixel(10, 10), 0u);
    FillBox(-20, -20, 45, 45, 0x123456); // clipped by the surface, no fault
    EXPECT_EQ(Pixel(0, 0), 0x123456u);
    EXPECT_EQ(Pixel(24, 24), 0x123456u);
    EXPECT_EQ(Pixel(25, 25), 0u);
}

TEST_F(GameTest, BlitBitmapFileDrawsTheLeftmostColumnsAndReportsFailures) {
    std::filesystem::create_directories("graphics");
    WriteBmp("graphics/wide.bmp", 64, 8, [](int x, int) { return x < 32 ? 0x0000F8u : 0xF80000u; });
    BlitBitmapFile("graphics\\wide.bmp", 100, 100, 32, 8);
    EXPECT_EQ(Pixel(100, 100), 0x0000FFu); // 16-bit list: 0xF8 expands to 0xFF
    EXPECT_EQ(Pixel(131, 107), 0x0000FFu);
    EXPECT_EQ(Pixel(132, 100), 0u); // only 32 columns drawn
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());

    BlitBitmapFile("graphics\\missing.bmp", 0, 0, 10, 10);
    WriteBytes("graphics/broken.bmp", {'B', 'M', 0x10, 0, 0, 0});
    BlitBitmapFile("graphics\\broken.bmp", 0, 0, 10, 10);
    plat::FailNextImageLists(1);
    BlitBitmapFile("graphics\\wide.bmp", 0, 0, 32, 8);
    // A header claiming 100000 x 100000 pixels is refused before anything is allocated for it.
    WriteBmp("graphics/huge.bmp", 2, 2, [](int, int) { return 0u; });
    {
        FILE* f = std::fopen("graphics/huge.bmp", "r+b");
        ASSERT_NE(f, nullptr);
        const uint8_t size[8] = {0xA0, 0x86, 0x01, 0, 0xA0, 0x86, 0x01, 0};
        std::fseek(f, 18, SEEK_SET);
        std::fwrite(size, 1, sizeof size, f);
        std::fclose(f);
    }
    BlitBitmapFile("graphics\\huge.bmp", 0, 0, 10, 10);
    // 300 x 300 plain pixels cannot be in a file of 3000 bytes: refused before decoding, too.
    WriteBmp("graphics/short.bmp", 300, 300, [](int, int) { return 0u; });
    std::filesystem::resize_file("graphics/short.bmp", 3000);
    BlitBitmapFile("graphics\\short.bmp", 0, 0, 10, 10);
    plat::LimitBitmapPixels(511); // wide.bmp has 512
    BlitBitmapFile("graphics\\wide.bmp", 0, 0, 32, 8);
    plat::LimitBitmapPixels(0);
    const auto& boxes = plat::headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(boxes[3].text, "Sorry, can't load bitmap file!");
    EXPECT_EQ(boxes[4].text, "Sorry, can't load bitmap file!");
    EXPECT_EQ(boxes[0].text, "Sorry, can't load bitmap file!");
    EXPECT_EQ(boxes[0].caption, "BMP Error");
    EXPECT_EQ(boxes[1].text, "Sorry, can't load bitmap file!");
    EXPECT_EQ(boxes[2].text, "Sorry, can't create imagelist!");
    EXPECT_EQ(boxes[2].caption, "BMP Error");
    EXPECT_EQ(Pixel(0, 0), 0u);
    auto live = plat::LiveObjects();
    EXPECT_EQ(live.bitmaps, 0);
    EXPECT_EQ(live.imageLists, 0);
}

TEST_F(GameTest, LoadSpritesBuildsFiveSetsWithMasksAndBar) {
    WriteSpriteFiles();
    LoadSprites();
    EXPECT_EQ(plat::ImageListCount(game->imgSmallExplosion), 1);
    EXPECT_EQ(plat::ImageListCount(game->imgLargeExplosion), 1);
    EXPECT_EQ(plat::ImageListCount(game->imgSupernova), 1);
    EXPECT_EQ(plat::ImageListCount(game->imgPressed), 1);
    EXPECT_EQ(plat::ImageListCount(game->imgAmmoBox), 4);
    EXPECT_EQ(plat::TickCountMs(), 400u); // seven waits before the bar and one after
    EXPECT_EQ(Pixel(200, 400), 0x0000FFu);
    EXPECT_EQ(Pixel(399, 419), 0x0000FFu);
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());

    // The mask lets the surface show through outside the disc.
    FillBox(0, 0, 100, 100, 0x404040);
    DrawSprite(game->imgLargeExplosion, 0, 0, 0);
    EXPECT_EQ(Pixel(22, 22), 0x0000FFu);
    EXPECT_EQ(Pixel(0, 0), 0x404040u);
    DrawSprite(game->imgLargeExplosion, 1, 50, 50); // no such frame
    DrawSprite(0, 0, 50, 50);                       // no such set
    EXPECT_EQ(Pixel(72, 72), 0x404040u);

    ReleaseSprites();
    EXPECT_EQ(plat::LiveObjects().imageLists, 0);
    EXPECT_EQ(plat::LiveObjects().bitmaps, 0);
}

TEST_F(GameTest, LoadSpritesStopsSilentlyAtTheFirstMissingFile) {
    WriteSpriteFiles();
    std::filesystem::remove("graphics/m_snova.bmp");
    LoadSprites();
    EXPECT_NE(+game->imgSmallExplosion, 0u);
    EXPECT_NE(+game->imgLargeExplosion, 0u);
    EXPECT_EQ(+game->imgSupernova, 0u);
    EXPECT_EQ(+game->imgPressed, 0u);
    EXPECT_EQ(+game->imgAmmoBox, 0u);
    EXPECT_EQ(Pixel(239, 410), 0x0000FFu); // the bar stopped at 40 pixels
    EXPECT_EQ(Pixel(240, 410), 0xFFFFFFu);
    EXPECT_TRUE(plat::headless::MessageBoxes().empty());
    EXPECT_EQ(plat::LiveObjects().bitmaps, 0);
    ReleaseSprites();

    std::filesystem::remove("graphics/sexplo.bmp");
    LoadSprites();
    EXPECT_EQ(+game->imgSmallExplosion, 0u);
    EXPECT_EQ(+game->imgLargeExplosion, 0u);
    EXPECT_EQ(Pixel(200, 410), 0xFFFFFFu); // the bar stays white

    WriteSpriteFiles();
    std::filesystem::remove("graphics/ammo3.bmp");
    LoadSprites();
    EXPECT_EQ(plat::ImageListCount(game->imgAmmoBox), 2);
    ReleaseSprites();
}

TEST_F(GameTest, TextDrawsInTheSurfaceColourAndMode) {
    Handle dc = game->windowDC;
    FillBox(0, 0, 200, 40, 0x00FF00);
    DrawText("M", 10, 10); // defaults: black on white, opaque
    int black = CountPixels(10, 10, plat::kGlyphWidth, plat::kGlyphHeight, 0);
    int white = CountPixels(10, 10, plat::kGlyphWidth, plat::kGlyphHeight, 0xFFFFFF);
    EXPECT_GT(black, 10);
    EXPECT_EQ(black + white, plat::kGlyphWidth * plat::kGlyphHeight);

    plat::SetTextTransparent(dc, true);
    plat::SetTextColour(dc, 0x0000FF);
    DrawNumber(-5, 50, 10);
    int red = CountPixels(50, 10, 2 * plat::kGlyphWidth, plat::kGlyphHeight, 0x0000FF);
    int green = CountPixels(50, 10, 2 * plat::kGlyphWidth, plat::kGlyphHeight, 0x00FF00);
    EXPECT_GT(red, 5);
    EXPECT_EQ(red + green, 2 * plat::kGlyphWidth * plat::kGlyphHeight);
    // The minus sign and the 5 both have ink in their own cells.
    EXPECT_GT(CountPixels(50, 10, 8, 16, 0x0000FF), 0);
    EXPECT_GT(CountPixels(58, 10, 8, 16, 0x0000FF), 0);
}

TEST_F(GameTest, ClipRegionsAreUnionsAndSwapReversedEdges) {
    Handle dc = game->windowDC;
    Handle a = plat::CreateRectRegion(0, 420, 20, 440);
    Handle b = plat::CreateRectRegion(640, 420, 620, 440); // given right to left
    plat::UnionRegions(a, a, b);
    plat::SelectClipRegion(dc, a);
    FillBox(0, 0, 640, 480, 0xFFFFFF);
    plat::SelectClipRegion(dc, 0);
    plat::DeleteRegion(a);
    plat::DeleteRegion(b);
    EXPECT_EQ(Pixel(0, 420), 0xFFFFFFu);
    EXPECT_EQ(Pixel(19, 439), 0xFFFFFFu);
    EXPECT_EQ(Pixel(20, 430), 0u);
    EXPECT_EQ(Pixel(620, 430), 0xFFFFFFu);
    EXPECT_EQ(Pixel(639, 439), 0xFFFFFFu);
    EXPECT_EQ(Pixel(619, 430), 0u);
    EXPECT_EQ(Pixel(10, 419), 0u);
    EXPECT_EQ(plat::ReadPixel(dc, -1, 0), plat::kNoColour);
    EXPECT_EQ(plat::ReadPixel(dc, 640, 0), plat::kNoColour);
    EXPECT_EQ(plat::LiveObjects().regions, 0);
}

// Frames are drawn from runs of opaque pixels; this checks every pixel against the plain rule
// (mask white = hole, outside the mask opaque, below the picture black, colour through 5-6-5 bits,
// only inside the surface and the clip region) for frames full of holes, at the edges and clipped.
TEST_F(GameTest, SpriteFramesDrawExactlyTheirOpaquePixelsThroughAnyClip) {
    std::filesystem::create_directories("graphics");
    constexpr int kW = 13, kH = 11;
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    std::vector<uint32_t> picture(43 * 9), holes(30 * 10); // 3 frames and 4 columns over; mask short
    for (uint32_t& c : picture) c = next() & 0xFFFFFF;
    for (uint32_t& c : holes) c = next() % 3 == 0 ? 0xFFFFFF : next() & 0xFFFFFE;
    WriteBmp("graphics/p.bmp", 43, 9, [&](int x, int y) { return picture[static_cast<size_t>(y * 43 + x)]; });
    WriteBmp("graphics/m.bmp", 30, 10, [&](int x, int y) { return holes[static_cast<size_t>(y * 30 + x)]; });
    Handle image = plat::LoadBitmapFile("graphics\\p.bmp"), mask = plat::LoadBitmapFile("graphics\\m.bmp");
    Handle list = plat::CreateImageList(kW, kH, true, 0, 1);
    ASSERT_EQ(plat::AddToImageList(list, image, mask), 0);
    ASSERT_EQ(plat::ImageListCount(list), 3);

    auto through16 = [](uint32_t c) {
        uint32_t r = (c & 0xFF) >> 3, g = (c >> 8 & 0xFF) >> 2, b = (c >> 16 & 0xFF) >> 3;
        return (r << 3 | r >> 2) | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2) << 16;
    };
    struct Box {
        int left, top, right, bottom;
    };
    const std::vector<std::vector<Box>> clips = {
        {}, {{3, 2, 9, 640}}, {{-5, -5, 8, 6}, {4, 3, 700, 9}, {6, 0, 7, 500}}, {{620, 470, 650, 490}}};
    const int places[][2] = {{5, 7}, {-6, -4}, {633, 475}, {630, -3}, {-12, 470}};
    const Colour* pixels = plat::SurfacePixels(game->windowDC);
    for (const auto& clip : clips)
        for (const auto& place : places)
            for (int frame = 0; frame < 3; ++frame) {
                FillBox(0, 0, 640, 480, 0x808080);
                Handle region = 0;
                for (const Box& b : clip) {
                    Handle r = plat::CreateRectRegion(b.left, b.top, b.right, b.bottom);
                    if (region) {
                        plat::UnionRegions(region, region, r);
                        plat::DeleteRegion(r);
                    } else {
                        region = r;
                    }
                }
                plat::SelectClipRegion(game->windowDC, region);
                plat::DrawImageListFrame(list, frame, game->windowDC, place[0], place[1]);
                plat::SelectClipRegion(game->windowDC, 0);
                plat::DeleteRegion(region);
                std::vector<Colour> expected(640 * 480, 0x808080);
                for (int fy = 0; fy < kH; ++fy)
                    for (int fx = 0; fx < kW; ++fx) {
                        int sx = frame * kW + fx, px = place[0] + fx, py = place[1] + fy;
                        bool hole =
                            sx < 30 && fy < 10 && holes[static_cast<size_t>(fy * 30 + sx)] == 0xFFFFFF;
                        bool inside = clip.empty();
                        for (const Box& b : clip)
                            inside |= px >= b.left && px < b.right && py >= b.top && py < b.bottom;
                        if (hole || !inside || px < 0 || py < 0 || px >= 640 || py >= 480) continue;
                        expected[static_cast<size_t>(py * 640 + px)] =
                            fy < 9 ? through16(picture[static_cast<size_t>(fy * 43 + sx)]) : 0;
                    }
                int wrong = 0;
                for (size_t i = 0; i < expected.size(); ++i) wrong += pixels[i] != expected[i];
                EXPECT_EQ(wrong, 0) << "frame " << frame << " at " << place[0] << "," << place[1] << " clip "
                                    << clip.size();
            }
    plat::DestroyImageList(list);
    plat::FreeBitmap(image);
    plat::FreeBitmap(mask);
}

// Decoded pictures are kept while their files stay as they were: every change, however quick
// and whatever its size, is drawn from then on, and a file that goes fails as before.
TEST_F(GameTest, BitmapFilesAreReadAgainOnceTheyChange) {
    std::filesystem::create_directories("graphics");
    auto solid = [](const std::string& path, uint32_t colour) {
        WriteBmp(path, 4, 4, [colour](int, int) { return colour; });
    };
    auto drawn = [&](const char* path) {
        FillBox(0, 0, 4, 4, 0x123456);
        BlitBitmapFile(path, 0, 0, 4, 4);
        return Pixel(3, 3);
    };
    solid("graphics/fresh.bmp", 0x0000F8);
    EXPECT_EQ(drawn("graphics\\fresh.bmp"), 0x0000FFu);
    solid("graphics/fresh.bmp", 0x00FC00); // the same size, within the same moment
    EXPECT_EQ(drawn("graphics\\fresh.bmp"), 0x00FF00u);

    solid("graphics/old.bmp", 0x0000F8);
    solid("graphics/other.bmp", 0xF80000);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100)); // long enough to be kept
    EXPECT_EQ(drawn("graphics\\old.bmp"), 0x0000FFu);
    EXPECT_EQ(drawn("graphics\\old.bmp"), 0x0000FFu);
    solid("graphics/old.bmp", 0x00FC00);
    EXPECT_EQ(drawn("graphics\\old.bmp"), 0x00FF00u);
    std::filesystem::rename("graphics/other.bmp", "graphics/old.bmp");
    EXPECT_EQ(drawn("graphics\\old.bmp"), 0xFF0000u);
    std::filesystem::remove("graphics/old.bmp");
    EXPECT_EQ(drawn("graphics\\old.bmp"), 0x123456u);
    ASSERT_EQ(plat::headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(plat::LiveObjects().bitmaps, 0);
}
