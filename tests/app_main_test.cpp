// The whole program on the headless back end: start-up, intro, the loop, shutdown, exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/app.h"
#include "game/records.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/memory.h"
#include "platform/surface.h"
#include "tests/app_files.h"
#include "tests/fixture.h"

using namespace app_test;

namespace {

class AppMainTest : public AppRunTest {
  protected:
    void SetUp() override {
        AppRunTest::SetUp();
        before = plat::LiveObjects();
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : plat::headless::MessageBoxes()) texts.push_back(box.text);
        return texts;
    }
    plat::ObjectCounts before{};
};

const char* const kBmp = "Sorry, can't load bitmap file!";

} // namespace

TEST_F(AppMainTest, StartUpAndShutdownInOrderWithNothingToLoad) {
    // An empty directory: every load is reported in the order start-up makes it.
    plat::headless::ScheduleMessage(4000, plat::Msg::Close, 0, 0);
    EXPECT_EQ(AppMain(1, 10), 0);
    const auto& boxes = plat::headless::MessageBoxes();
    std::vector<std::string> texts = BoxTexts();
    ASSERT_EQ(texts.size(), 1u + 1u + 3u + 41u + 1u + 8u);
    EXPECT_EQ(texts[0], "Sorry, can't read preferences. Will create new prefernces");
    EXPECT_EQ(boxes[0].atMs, 0u);
    EXPECT_EQ(texts[1], kBmp); // the splash
    for (int i = 2; i < 5; ++i) EXPECT_EQ(texts[i], "Can't read file.") << i;
    EXPECT_EQ(boxes[4].atMs, 0u); // sprite loading stopped at once: nothing waited
    // The wipe's 41 strips, after the half-second hold and 60 ms more.
    for (int i = 5; i < 46; ++i) {
        EXPECT_EQ(texts[i], kBmp) << i;
        EXPECT_EQ(boxes[i].atMs, 560u) << i;
    }
    // The logo after 700 ms, the growing square's ~1.5 s, 60 ms of yellow and 500 of black.
    EXPECT_EQ(texts[46], kBmp);
    EXPECT_GE(boxes[46].atMs, 560u + 700u + 1490u + 560u);
    EXPECT_LE(boxes[46].atMs, 560u + 700u + 1510u + 560u);
    // The first paint of the loop: logo, caption, two buttons, four icons.
    for (int i = 47; i < 55; ++i) {
        EXPECT_EQ(texts[i], kBmp) << i;
        EXPECT_EQ(boxes[i].atMs, boxes[46].atMs) << i;
    }
    EXPECT_EQ(plat::TickCountMs(), 5000u); // the exit animation's full second after the close
    EXPECT_EQ(std::filesystem::file_size("prefs.prf"), kPrefsSize);
    EXPECT_EQ(game, nullptr);
    auto after = plat::LiveObjects();
    EXPECT_EQ(after.surfaces, before.surfaces);
    EXPECT_EQ(after.regions, before.regions);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.imageLists, before.imageLists);
    ASSERT_NE(plat::headless::MenuResource("TARVMENU"), nullptr);
    EXPECT_EQ(plat::headless::MenuResource("TARVMENU")->size(), 10u);
}

TEST_F(AppMainTest, AFullRunWithItsFilesSavesWhatItLoadedAndTheRoundItPlayed) {
    WriteGameGraphics();
    WriteBytes("about.txt", std::vector<uint8_t>(300, 'a'));
    WriteBytes("about2.txt", {'b'});
    WriteBytes("about3.txt", {'c', 'c'});
    std::vector<uint8_t> prefs(kPrefsSize, 0);
    prefs[168] = kHuman; // playerKind[0]
    prefs[172] = kComputer;
    prefs[176] = 20;            // gameSpeed: 50 ms ticks
    prefs[40] = prefs[124] = 4; // speeds of profiles 0 and 2
    prefs[216] = 1;             // Auto Start on
    WriteBytes("prefs.prf", prefs);
    // F8 starts a round, F5 leaves it, then the window is closed.
    plat::headless::ScheduleMessage(4000, plat::Msg::KeyDown, 119, 0);
    plat::headless::ScheduleMessage(6000, plat::Msg::KeyDown, 116, 0);
    plat::headless::ScheduleMessage(7000, plat::Msg::Close, 0, 0);
    EXPECT_EQ(AppMain(1, 10), 0);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(plat::TickCountMs(), 8000u);
    std::vector<uint8_t> saved = ReadBytes("prefs.prf");
    ASSERT_EQ(saved.size(), kPrefsSize);
    EXPECT_EQ(saved[168], kHuman);
    EXPECT_EQ(saved[176], 20);
    auto after = plat::LiveObjects();
    EXPECT_EQ(after.surfaces, before.surfaces);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.imageLists, before.imageLists);
    EXPECT_EQ(after.regions, before.regions);
}

TEST_F(AppMainTest, ClosingWhileMinimisedRestoresAndShowsTheLogoFirst) {
    WriteBytes("prefs.prf", std::vector<uint8_t>(kPrefsSize, 0));
    plat::headless::ScheduleMessage(4000, plat::Msg::Close, 0, 0);
    EXPECT_EQ(AppMain(1, 6), 0); // started minimised: no paint while it stays so
    std::vector<std::string> texts = BoxTexts();
    // Splash, three texts, 41 strips, the intro's logo, and the logo again at exit.
    ASSERT_EQ(texts.size(), 1u + 3u + 41u + 1u + 1u);
    EXPECT_EQ(plat::headless::MessageBoxes().back().atMs, 4000u);
}

TEST_F(AppMainTest, AllocationFailureEndsWithMinusFiveBeforeAnyWindow) {
    for (int n : {1, 2, 3}) {
        plat::FailAllocationAfter(n);
        EXPECT_EQ(AppMain(1, 10), -5) << n;
        EXPECT_EQ(game, nullptr);
        EXPECT_TRUE(BoxTexts().empty());
        EXPECT_EQ(plat::headless::MenuResource("TARVMENU"), nullptr);
    }
    EXPECT_FALSE(std::filesystem::exists("prefs.prf"));
}
