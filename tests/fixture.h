// A fresh game for each test: zero-filled records, a 640 x 480 surface as the window's, the
// virtual clock at 0, no recorded message boxes and the audio library closed with nothing loaded. Tests run
// in a scratch directory of their own.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "game/records.h"

class GameTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // The window surface's pixel, 0x00BBGGRR.
    Colour Pixel(int x, int y) const;
    // How many pixels of the w x h rectangle at (x0, y0) have exactly this colour.
    int CountPixels(int x0, int y0, int w, int h, Colour colour) const;
    // Copies the generated graphics into the scratch directory (skipped when they were not built).
    bool InstallGraphics() const;
    std::filesystem::path scratch;

  private:
    std::filesystem::path previousDir;
};

// The whole program runs in the test: AppMain owns the records, so the fixture's are handed back for
// the run and made anew after it.
class AppRunTest : public GameTest {
  protected:
    void SetUp() override;
    void TearDown() override;
};
