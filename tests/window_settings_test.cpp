// window.cfg: what a run leaves comes back on the next; whatever is damaged gives the defaults.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/window_settings.h"
#include "tests/fixture.h"

namespace {

using plat::WindowSettings;

TEST(WindowSettingsTest, ARunsWindowComesBackAndDamageGivesTheDefaults) {
    WindowSettings left{true, -120, 40, 1500, 900, true, false};
    WindowSettings back = plat::ParseWindowSettings(plat::FormatWindowSettings(left));
    EXPECT_TRUE(back.placed);
    EXPECT_EQ(back.x, -120);
    EXPECT_EQ(back.y, 40);
    EXPECT_EQ(back.width, 1500);
    EXPECT_EQ(back.height, 900);
    EXPECT_TRUE(back.maximised);
    EXPECT_FALSE(back.fullscreen);

    auto isDefault = [](const WindowSettings& s) {
        return !s.placed && s.width == 0 && s.height == 0 && !s.maximised && !s.fullscreen;
    };
    EXPECT_TRUE(isDefault(plat::ParseWindowSettings("")));
    EXPECT_TRUE(isDefault(plat::ParseWindowSettings("size 800 600\nfullscreen 1\n"))); // no header
    EXPECT_TRUE(isDefault(plat::ParseWindowSettings(std::string("tarvel4 window 1\n\0\xff garbage", 28))));
    // Each damaged line keeps its own default; the sound ones still count.
    WindowSettings mixed = plat::ParseWindowSettings("tarvel4 window 1\nsize 99999999999 600\nposition 10\n"
                                                     "fullscreen 2\nmaximised 1\nsize -5 7\n");
    EXPECT_EQ(mixed.width, 0);
    EXPECT_FALSE(mixed.placed);
    EXPECT_FALSE(mixed.fullscreen);
    EXPECT_TRUE(mixed.maximised);
}

TEST_F(GameTest, WindowSettingsSurviveAFileAndIgnoreAHugeOne) {
    EXPECT_TRUE(plat::SaveWindowSettings({true, 5, 6, 700, 600, false, true}));
    WindowSettings back = plat::LoadWindowSettings();
    EXPECT_EQ(back.width, 700);
    EXPECT_TRUE(back.fullscreen);
    std::ofstream("window.cfg") << "tarvel4 window 1\nfullscreen 1\n" << std::string(10000, ' ');
    EXPECT_FALSE(plat::LoadWindowSettings().fullscreen);
}

} // namespace
