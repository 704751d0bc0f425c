// The pixel surface's own promises to its presenters: changes are reported once and cover every
// changed pixel, and text through a clip union lands exactly inside it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/surface.h"

namespace {

using plat::Colour;
using plat::Handle;
using plat::PixelRect;

std::vector<Colour> Pixels(Handle s) {
    const Colour* p = plat::SurfacePixels(s);
    return std::vector<Colour>(p, p + 640 * 480);
}

bool Covered(const std::vector<PixelRect>& rects, int x, int y) {
    for (const PixelRect& r : rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    return false;
}

TEST(SurfaceTest, ChangesAreReportedOnceAndCoverEveryChangedPixel) {
    Handle s = plat::CreateSurface(640, 480);
    std::vector<PixelRect> first = plat::TakeSurfaceChanges(s);
    ASSERT_EQ(first.size(), 1u); // a new surface has changed all over
    EXPECT_EQ(first[0].right - first[0].left, 640);
    EXPECT_EQ(first[0].bottom - first[0].top, 480);
    EXPECT_TRUE(plat::TakeSurfaceChanges(s).empty());

    std::vector<Colour> before = Pixels(s);
    plat::FillRect(s, 630, 470, 700, 500, 0x123456); // past the corner
    plat::WritePixel(s, 100, 100, 0xFFFFFF);
    plat::WritePixel(s, -1, 5, 0xFFFFFF); // off the surface: nothing
    plat::SetTextColour(s, 0x00FF00);
    plat::DrawTextBytes(s, 300, 200, "Worms", 5);
    plat::DrawTextBytes(s, -30, 464, "edge text", 9);
    Handle clip = plat::CreateRectRegion(40, 40, 60, 60);
    plat::SelectClipRegion(s, clip);
    plat::FillRect(s, 0, 0, 640, 480, 0xABCDEF);
    plat::SelectClipRegion(s, 0);
    plat::DeleteRegion(clip);
    std::vector<Colour> after = Pixels(s);
    std::vector<PixelRect> changes = plat::TakeSurfaceChanges(s);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (before[y * 640 + x] != after[y * 640 + x]) {
                ASSERT_TRUE(Covered(changes, x, y)) << x << "," << y;
            }
    int area = 0;
    for (const PixelRect& r : changes) {
        EXPECT_EQ(r.left % plat::kChangeTile, 0);
        EXPECT_EQ(r.top % plat::kChangeTile, 0);
        EXPECT_LE(r.right, 640);
        EXPECT_LE(r.bottom, 480);
        area += (r.right - r.left) * (r.bottom - r.top);
    }
    EXPECT_LT(area, 640 * 480 / 10); // a few tiles, not the whole surface
    EXPECT_TRUE(plat::TakeSurfaceChanges(s).empty());
    plat::DestroySurface(s);
}

TEST(SurfaceTest, TextThroughAClipUnionLandsExactlyInsideIt) {
    // Two overlapping rectangles and one reaching off the surface, as the ticker's bands are.
    const PixelRect bands[] = {{0, 10, 37, 40}, {30, 0, 45, 26}, {600, 5, 700, 30}};
    for (bool transparent : {true, false}) {
        Handle free = plat::CreateSurface(640, 480), clipped = plat::CreateSurface(640, 480);
        Handle region = plat::CreateRectRegion(bands[0].left, bands[0].top, bands[0].right, bands[0].bottom);
        for (int i = 1; i < 3; ++i) {
            Handle more =
                plat::CreateRectRegion(bands[i].left, bands[i].top, bands[i].right, bands[i].bottom);
            plat::UnionRegions(region, region, more);
            plat::DeleteRegion(more);
        }
        plat::SelectClipRegion(clipped, region);
        plat::DeleteRegion(region);
        const char text[] = "Tarvel 4 - the last worm wins!!! x";
        for (Handle s : {free, clipped}) {
            plat::SetTextTransparent(s, transparent);
            plat::SetTextColour(s, 0x0000FF);
            plat::SetTextBackground(s, 0xFFFF00);
            plat::DrawTextBytes(s, 0, 8, text, sizeof text - 1);
            plat::DrawTextBytes(s, 590, 8, text, sizeof text - 1);
        }
        std::vector<Colour> want = Pixels(free), got = Pixels(clipped);
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x) {
                bool inside = false;
                for (const PixelRect& b : bands)
                    inside |= x >= b.left && x < b.right && y >= b.top && y < b.bottom;
                ASSERT_EQ(got[y * 640 + x], inside ? want[y * 640 + x] : 0u) << x << "," << y;
            }
        plat::DestroySurface(free);
        plat::DestroySurface(clipped);
    }
}

} // namespace
