#include "resources/dialogs.h"

#include <cstring>
#include <iterator>

using plat::ControlKind;
using plat::DialogControl;
using plat::DialogTemplate;

namespace {

constexpr ControlKind kButton = ControlKind::PushButton;
constexpr ControlKind kCheck = ControlKind::CheckBox;
constexpr ControlKind kGroup = ControlKind::GroupBox;
constexpr ControlKind kLabel = ControlKind::Label;
constexpr ControlKind kEdit = ControlKind::Edit;
constexpr ControlKind kTrack = ControlKind::TrackBar;

const DialogControl kPrefsControls[] = {
    {1, kButton, "OK", 186, 6, 50, 14},
    {2, kButton, "Cancel", 186, 26, 50, 14},
    {101, kGroup, "Speed", 12, 9, 164, 39},
    {102, kLabel, "Fast", 16, 20, 16, 10},
    {103, kLabel, "Slow", 156, 20, 16, 9},
    {104, kTrack, nullptr, 41, 19, 100, 11},
    {115, kCheck, "Starbackground (slow)", 20, 32, 86, 12},
    {120, kCheck, "Fast Explosions", 109, 32, 64, 12},
    {105, kGroup, "Music/Sounds", 12, 52, 164, 70},
    {106, kCheck, "Filter", 20, 64, 32, 9},
    {107, kCheck, "44 kHz", 20, 75, 36, 9},
    {108, kCheck, "16 bit", 20, 86, 32, 9},
    {109, kCheck, "Music", 107, 64, 32, 11},
    {110, kCheck, "Sound", 107, 76, 36, 9},
    {112, kLabel, "Music Volume", 32, 97, 44, 9},
    {111, kTrack, nullptr, 21, 105, 64, 13, plat::kTrackNoTicks},
    {114, kLabel, "Sound Volume", 108, 97, 48, 9},
    {113, kTrack, nullptr, 96, 105, 64, 13, plat::kTrackNoTicks},
    {117, kLabel, "Blocks", 185, 63, 23, 8},
    {116, kEdit, nullptr, 210, 61, 20, 12, plat::kEditBorder | plat::kEditNoScroll},
    {118, kCheck, "Auto Warp", 185, 76, 60, 12},
    {119, kLabel, "*When using Auto Warp, Warp and Warp Missile will be useless", 179, 88, 60, 33},
    {121, kCheck, "Auto Start", 186, 121, 44, 12},
};

const DialogControl kAboutControls[] = {
    {1, kButton, "OK", 97, 96, 50, 14},
    {101, kLabel, "Tarvel 4 by its crew", 70, 17, 100, 11},
    {102, kLabel, "Linux port " TARVEL_VERSION " on SDL2", 80, 32, 84, 8},
    {103, kLabel, "SEAL - for the MOD music", 79, 43, 88, 9},
};

const DialogControl kPlayerSetupControls[] = {
    {1, kButton, "OK", 186, 6, 50, 14},
    {2, kButton, "Cancel", 186, 26, 50, 14},
    {101, kLabel, "Player Name:", 4, 4, 44, 9},
    {102, kEdit, nullptr, 48, 2, 132, 12, plat::kEditBorder | plat::kEditNoScroll},
    {103, kButton, "Color", 4, 24, 50, 14},
    {107, kLabel, "Points", 91, 28, 20, 9},
    {108, kEdit, nullptr, 113, 26, 20, 12, plat::kEditBorder | plat::kEditNoScroll},
    {104, kLabel, "Speed", 134, 28, 24, 8},
    {105, kEdit, nullptr, 160, 26, 20, 12, plat::kEditBorder | plat::kEditReadOnly},
    {106, kGroup, "Special Abilities", 8, 43, 224, 113},
    {109, kCheck, "Fast Missiles (cost 2)", 16, 53, 80, 12},
    {110, kCheck, "Bombs (cost 2)", 16, 64, 80, 12},
    {111, kCheck, "Turbo (cost 1)", 16, 75, 80, 12},
    {112, kCheck, "Bash (cost 3)", 16, 86, 80, 12},
    {118, kCheck, "Bomb Missile (cost 3)", 16, 98, 80, 12},
    {120, kCheck, "Warp (cost 2)", 16, 110, 80, 12},
    {122, kCheck, "Break (cost 2)", 16, 122, 80, 12},
    {125, kCheck, "Remote Missile (cost 5)", 16, 133, 92, 12},
    {113, kCheck, "Triple Missile (cost 3)", 145, 53, 80, 12},
    {114, kCheck, "Mega Missiles (cost 3)", 145, 64, 83, 12},
    {115, kCheck, "Super Bombs (cost 4)", 145, 75, 80, 12},
    {116, kCheck, "Shield (cost 4)", 145, 86, 80, 12},
    {119, kCheck, "Super Nova(cost 4)", 145, 97, 80, 12},
    {121, kCheck, "Machine Gun (cost 4)", 145, 109, 80, 12},
    {123, kCheck, "Jojo (cost 3)", 145, 121, 60, 12},
    {124, kCheck, "Warp Missile (cost 1)", 145, 133, 80, 12},
    {117, kButton, "Keys", 8, 164, 50, 14},
    {555, kLabel, "*You can only have 4 special abilities at the same time", 84, 163, 152, 17},
};

} // namespace

const DialogTemplate kPrefsDialog = {"TARVPREFS",
                                     "Tarvel4 Preferences",
                                     240,
                                     136,
                                     true,
                                     "MS Sans Serif",
                                     8,
                                     kPrefsControls,
                                     static_cast<int>(std::size(kPrefsControls))};
const DialogTemplate kAboutDialog = {"TARVABOUT",
                                     "",
                                     240,
                                     120,
                                     false,
                                     "MS Sans Serif",
                                     8,
                                     kAboutControls,
                                     static_cast<int>(std::size(kAboutControls))};
const DialogTemplate kPlayerSetupDialog = {"TARVPLAYERSETUP",
                                           "Player Setup",
                                           240,
                                           183,
                                           true,
                                           "MS Sans Serif",
                                           8,
                                           kPlayerSetupControls,
                                           static_cast<int>(std::size(kPlayerSetupControls))};

const DialogTemplate* FindDialogResource(const char* name) {
    for (const DialogTemplate* t : {&kPrefsDialog, &kAboutDialog, &kPlayerSetupDialog})
        if (name && std::strcmp(t->name, name) == 0) return t;
    return nullptr;
}
