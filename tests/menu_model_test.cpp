// The menu bar's keyboard and mouse behaviour, on the game's own menu.
#include <gtest/gtest.h>

#include "platform/core/menu_model.h"

namespace {

using plat::menu::Bar;
using plat::menu::Spot;

const plat::MenuItem kMenu[] = {
    {"&File", "&NewGame", 1},       {"&File", nullptr, 0},     {"&File", "&Quit", 2},
    {"&Tarvel 4", "&Option...", 4}, {"&Tarvel 4", nullptr, 0}, {"&Tarvel 4", "About...", 3},
};
constexpr int kEnter = 13, kEscape = 27, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;
constexpr Spot kOutside{};
Spot Title(int popup) {
    return {Spot::Title, popup};
}
Spot Entry(int entry) {
    return {Spot::InPopup, entry};
}

Bar Built() {
    Bar bar;
    bar.Build(kMenu, 6);
    return bar;
}

TEST(MenuModel, LabelsLoseTheirMarks) {
    plat::menu::Label label = plat::menu::StripMnemonic("&Tarvel 4");
    EXPECT_EQ(label.text, "Tarvel 4");
    EXPECT_EQ(label.mnemonic, 0);
    label = plat::menu::StripMnemonic("Save && E&xit");
    EXPECT_EQ(label.text, "Save & Exit");
    EXPECT_EQ(label.mnemonic, 8);
    EXPECT_EQ(plat::menu::StripMnemonic("About...").mnemonic, -1);
}

TEST(MenuModel, KeysOpenMoveAndChoose) {
    Bar bar = Built();
    // Closed: only Alt and a popup's letter is the bar's, and not as a held key's repeat.
    EXPECT_FALSE(bar.Key('F', false, false).taken);
    EXPECT_FALSE(bar.Key('F', true, true).taken);
    EXPECT_FALSE(bar.Key('X', true, false).taken);
    EXPECT_FALSE(bar.Key(kDown, false, false).taken);
    EXPECT_TRUE(bar.Key('T', true, false).taken);
    EXPECT_EQ(bar.Open(), 1);
    EXPECT_EQ(bar.Highlighted(), 0);
    // Down and Up step over the separator and wrap.
    bar.Key(kDown, false, false);
    EXPECT_EQ(bar.Highlighted(), 2);
    bar.Key(kDown, false, false);
    EXPECT_EQ(bar.Highlighted(), 0);
    bar.Key(kUp, false, false);
    EXPECT_EQ(bar.Highlighted(), 2);
    // Left and Right go round the popups, each opened at its first item.
    bar.Key(kRight, false, false);
    EXPECT_EQ(bar.Open(), 0);
    EXPECT_EQ(bar.Highlighted(), 0);
    bar.Key(kLeft, false, false);
    EXPECT_EQ(bar.Open(), 1);
    // Alt and another popup's letter goes there; any other key stays with the open menu.
    bar.Key('F', true, false);
    EXPECT_EQ(bar.Open(), 0);
    EXPECT_TRUE(bar.Key('W', false, false).taken);
    EXPECT_EQ(bar.Open(), 0);
    // Enter chooses the highlighted item and closes.
    bar.Key(kDown, false, false);
    plat::menu::Outcome chosen = bar.Key(kEnter, false, false);
    EXPECT_EQ(chosen.command, 2);
    EXPECT_EQ(bar.Open(), -1);
    // An item's letter chooses it, Alt or not; Escape closes with nothing chosen.
    bar.Key('T', true, false);
    EXPECT_EQ(bar.Key('O', false, false).command, 4);
    bar.Key('F', true, false);
    chosen = bar.Key(kEscape, false, false);
    EXPECT_TRUE(chosen.taken);
    EXPECT_FALSE(chosen.command);
    EXPECT_EQ(bar.Open(), -1);
}

TEST(MenuModel, TheMouseOpensSwitchesChoosesAndCloses) {
    Bar bar = Built();
    // A pointer resting on a title of a closed bar takes nothing from the keys.
    bar.Move(Title(0));
    bar.Key('T', true, false);
    EXPECT_EQ(bar.Open(), 1);
    EXPECT_EQ(bar.Highlighted(), 0);
    EXPECT_EQ(bar.Key(kEnter, false, false).command, 4);
    // A click on a title opens its popup with nothing highlighted, so Enter chooses nothing.
    EXPECT_TRUE(bar.Press(Title(0), true).taken);
    EXPECT_EQ(bar.Open(), 0);
    EXPECT_EQ(bar.Highlighted(), -1);
    EXPECT_FALSE(bar.Key(kEnter, false, false).command);
    // Moving onto the other title switches; over an item highlights it, over a separator nothing.
    bar.Move(Title(1));
    EXPECT_EQ(bar.Open(), 1);
    bar.Move(Entry(2));
    EXPECT_EQ(bar.Highlighted(), 2);
    bar.Move(Entry(1));
    EXPECT_EQ(bar.Highlighted(), -1);
    // Letting go of another button over an item, or of any over a separator, chooses nothing.
    EXPECT_FALSE(bar.Release(Entry(2), false).command);
    EXPECT_FALSE(bar.Release(Entry(1), true).command);
    EXPECT_EQ(bar.Release(Entry(2), true).command, 3);
    EXPECT_EQ(bar.Open(), -1);
    // A click on the open popup's own title closes it.
    bar.Press(Title(1), true);
    bar.Press(Title(1), true);
    EXPECT_EQ(bar.Open(), -1);
    // A click elsewhere, with any button, closes the menu and is used up; the next one is the game's.
    bar.Key('F', true, false);
    EXPECT_TRUE(bar.Press(kOutside, false).taken);
    EXPECT_EQ(bar.Open(), -1);
    EXPECT_FALSE(bar.Release(kOutside, false).taken);
    EXPECT_FALSE(bar.Press(kOutside, true).taken);
}

} // namespace
