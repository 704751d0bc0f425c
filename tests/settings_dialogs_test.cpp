// Preferences, About and Player Setup driven as a player would, through the headless dialogs.
#include <cstring>
#include <string>
#include <vector>

#include "game/timer.h"
#include "platform/core/dialog_runtime.h"
#include "platform/dialogs.h"
#include "platform/headless.h"
#include "platform/headless_audio.h"
#include "platform/surface.h"
#include "resources/dialogs.h"
#include "settings/dialogs.h"
#include "tests/fixture.h"

namespace {

using namespace plat::headless;

class DialogsTest : public GameTest {
  protected:
    void SetUp() override {
        GameTest::SetUp();
        ResetWindowing();
        ClearDialogActions();
        ClearDialogs();
        ClearColourChoosers();
        ClearAudioCalls();
        game->mainWindow = 1;
    }
    static std::string Text(Handle dialog, int id) {
        char buffer[64];
        plat::GetControlText(dialog, id, buffer, sizeof buffer);
        return buffer;
    }
    // The names of the audio library calls made, without their arguments.
    static std::vector<std::string> AudioCallNames() {
        std::vector<std::string> names;
        for (const std::string& call : AudioCalls()) names.push_back(call.substr(0, call.find('(')));
        return names;
    }
    static std::vector<uint8_t> Settings() {
        return {SettingsBytes(game), SettingsBytes(game) + kSettingsSize};
    }
    static std::vector<uint8_t> Profile(int p) {
        auto* bytes = reinterpret_cast<const uint8_t*>(&game->profiles[p]);
        return {bytes, bytes + sizeof(PlayerProfile)};
    }
};

TEST_F(DialogsTest, TemplatesListTheControlsAsDesigned) {
    const plat::DialogTemplate* setup = FindDialogResource("TARVPLAYERSETUP");
    ASSERT_EQ(setup, &kPlayerSetupDialog);
    EXPECT_STREQ(setup->title, "Player Setup");
    EXPECT_EQ(setup->width, 240);
    EXPECT_EQ(setup->height, 183);
    // Every ability has its box at 108 + id with its label; 117 is the Keys button.
    int boxes = 0;
    for (int i = 0; i < setup->controlCount; ++i) {
        const plat::DialogControl& c = setup->controls[i];
        if (c.kind != plat::ControlKind::CheckBox) continue;
        ++boxes;
        EXPECT_STREQ(c.text, kAbilities[c.id - 109 - (c.id > 117 ? 1 : 0)].label) << c.id;
        EXPECT_EQ(kAbilities[c.id - 109 - (c.id > 117 ? 1 : 0)].id, c.id - 108);
    }
    EXPECT_EQ(boxes, 16);
    EXPECT_EQ(FindDialogResource("TARVPREFS")->controlCount, 23);
    EXPECT_STREQ(FindDialogResource("TARVPREFS")->title, "Tarvel4 Preferences");
    EXPECT_FALSE(FindDialogResource("TARVABOUT")->caption);
    EXPECT_EQ(FindDialogResource("COLORDLG"), nullptr);
}

TEST_F(DialogsTest, CancellingPlayerSetupLeavesTheProfileByteIdentical) {
    std::memcpy(game->profiles[2].name, "Ann\0leftover-bytes-stay", 24);
    game->profiles[2].color = 0x00123456;
    game->profiles[2].abilities[0] = kTurbo;
    game->profiles[2].points = 3;
    game->profiles[2].speed = 5;
    std::vector<uint8_t> before = Profile(2);
    QueueColourAnswer({true, 0x000000FF});
    QueueDialogAction(PressControl(103));
    QueueDialogAction(TypeText(102, "ie"));
    QueueDialogAction(PressControl(110)); // Bombs for 2
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_EQ(DialogTitle(d), "Annie");
        EXPECT_EQ(plat::ReadPixel(plat::DialogSurface(d), 90, 50), 0x000000FFu); // the swatch shows the pick
    }));
    QueueDialogAction(PressControl(2));
    OpenPlayerSetup(2);
    EXPECT_EQ(Profile(2), before);
    EXPECT_EQ(+game->profileDraft, nullptr);
    EXPECT_EQ(+game->activePlayer, 2);
    ASSERT_EQ(ColourChoosers().size(), 1u);
    EXPECT_EQ(ColourChoosers()[0].start, 0x00123456u);

    // Escape cancels as well.
    QueueDialogAction(TypeText(102, "xyz"));
    QueueDialogAction(PressEscapeKey());
    OpenPlayerSetup(2);
    EXPECT_EQ(Profile(2), before);
    EXPECT_EQ(Dialogs().back().result, 2);
    EXPECT_FALSE(Dialogs().back().abandoned);
}

TEST_F(DialogsTest, OpeningShowsTheProfileAndPaintsTheSwatch) {
    PlayerProfile& p = game->profiles[1];
    std::memcpy(p.name, "Worm", 5);
    p.color = 0x0000FF00;
    p.abilities[0] = kShield;
    p.abilities[1] = 9;  // no box: the Keys button stays a button
    p.abilities[2] = 40; // from a broken file: no such box
    p.speed = 4;
    p.points = 2;
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_EQ(Text(d, 102), "Worm");
        EXPECT_EQ(DialogTitle(d), "Worm");
        EXPECT_EQ(Text(d, 105), "4");
        EXPECT_EQ(Text(d, 108), "2");
        for (int box = 109; box <= 125; ++box) EXPECT_EQ(plat::IsChecked(d, box), box == 116) << box;
        Handle surface = plat::DialogSurface(d);
        EXPECT_EQ(plat::ReadPixel(surface, 82, 40), 0x0000FF00u);
        EXPECT_EQ(plat::ReadPixel(surface, 102, 60), 0x0000FF00u);
        EXPECT_EQ(plat::ReadPixel(surface, 103, 50), plat::kDialogFaceColour);
        EXPECT_EQ(plat::ReadPixel(surface, 90, 61), plat::kDialogFaceColour);
    }));
    QueueDialogAction(PressControl(2));
    OpenPlayerSetup(1);
    EXPECT_FALSE(Dialogs().back().abandoned);

    // A fresh profile: empty, no boxes; a typed budget is stored as it stands.
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_EQ(Text(d, 102), "");
        EXPECT_EQ(Text(d, 105), "0");
        EXPECT_EQ(Text(d, 108), "0");
        for (int box = 109; box <= 125; ++box) EXPECT_FALSE(plat::IsChecked(d, box));
    }));
    QueueDialogAction(ReplaceText(108, "6"));
    QueueDialogAction(PressControl(1));
    OpenPlayerSetup(0);
    EXPECT_EQ(game->profiles[0].points, 6);
    EXPECT_EQ(game->profiles[0].speed, 0);
    QueueDialogAction(PressControl(111));
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_EQ(Text(d, 108), "5");
        EXPECT_EQ(Text(d, 105), "7");
    }));
    QueueDialogAction(PressControl(2));
    OpenPlayerSetup(0);
    // No such slot: nothing opens.
    OpenPlayerSetup(4);
    OpenPlayerSetup(-1);
    EXPECT_EQ(Dialogs().size(), 3u);
}

TEST_F(DialogsTest, ThePurchaseRuleSpendsTheBudget) {
    game->profiles[0].points = 6;
    std::vector<std::string> fields;
    auto look = [&](Handle d) { fields.push_back(Text(d, 108) + "/" + Text(d, 105)); };
    for (int box : {111, 124, 110, 120}) { // Turbo 1, Warp Missile 1, Bombs 2, Warp 2
        QueueDialogAction(PressControl(box));
        QueueDialogAction(LookAtDialog(look));
    }
    QueueDialogAction(PressControl(122)); // a fifth box, out of budget anyway
    QueueDialogAction(LookAtDialog([&](Handle d) {
        EXPECT_FALSE(plat::IsChecked(d, 122));
        look(d);
    }));
    QueueDialogAction(PressControl(1));
    OpenPlayerSetup(0);
    EXPECT_EQ(fields, (std::vector<std::string>{"5/7", "4/6", "2/4", "0/2", "0/2"}));
    const PlayerProfile& p = game->profiles[0];
    EXPECT_EQ(p.points, 0);
    EXPECT_EQ(p.speed, 2);
    // Stored in ascending box order, not in click order.
    EXPECT_EQ(std::vector<int>(p.abilities, p.abilities + 4),
              (std::vector<int>{kBombs, kTurbo, kWarp, kWarpMissile}));

    // With a big budget a fifth box is refused all the same: a profile holds four.
    game->profiles[3].points = 20;
    for (int box : {116, 111, 109, 112, 125}) QueueDialogAction(PressControl(box));
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_FALSE(plat::IsChecked(d, 125));
        EXPECT_EQ(Text(d, 108), "10");
        EXPECT_EQ(Text(d, 105), "12");
    }));
    QueueDialogAction(PressControl(1));
    OpenPlayerSetup(3);
    const PlayerProfile& q = game->profiles[3];
    EXPECT_EQ(std::vector<int>(q.abilities, q.abilities + 4),
              (std::vector<int>{kFastMissiles, kTurbo, kBash, kShield})); // Shield clicked first, stored last
    EXPECT_EQ(q.points, 10);

    // Unchecking Remote Missile refunds 5; Bash with 2 points is refused.
    game->profiles[1].abilities[0] = kRemoteMissile;
    game->profiles[1].points = 2;
    QueueDialogAction(PressControl(112));
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_FALSE(plat::IsChecked(d, 112));
        EXPECT_EQ(Text(d, 108), "2");
        EXPECT_EQ(Text(d, 105), "4");
    }));
    QueueDialogAction(PressControl(125));
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_FALSE(plat::IsChecked(d, 125));
        EXPECT_EQ(Text(d, 108), "7");
        EXPECT_EQ(Text(d, 105), "9");
    }));
    QueueDialogAction(PressControl(1));
    OpenPlayerSetup(1);
    EXPECT_EQ(game->profiles[1].points, 7);
    EXPECT_EQ(game->profiles[1].speed, 9);
    EXPECT_EQ(game->profiles[1].abilities[0], 0);
}

TEST_F(DialogsTest, NameAndTitleFollowTheTyping) {
    std::vector<std::string> titles;
    for (char ch : std::string("Zed")) {
        QueueDialogAction(TypeText(102, std::string(1, ch)));
        QueueDialogAction(LookAtDialog([&](Handle d) { titles.push_back(DialogTitle(d)); }));
    }
    QueueDialogAction(PressControl(1));
    OpenPlayerSetup(0);
    EXPECT_EQ(titles, (std::vector<std::string>{"Z", "Ze", "Zed"}));
    EXPECT_STREQ(game->profiles[0].name, "Zed");

    // The field takes only what fits its width; the profile keeps at most 31 characters.
    QueueDialogAction(ReplaceText(102, std::string(60, 'W'))); // refused whole
    QueueDialogAction(TypeText(102, std::string(100, 'i')));
    QueueDialogAction(LookAtDialog([](Handle d) {
        std::string text = Text(d, 102);
        EXPECT_GT(text.size(), 31u);
        EXPECT_LT(text.size(), 100u);
    }));
    QueueDialogAction(PressControl(1));
    OpenPlayerSetup(0);
    EXPECT_EQ(std::strlen(game->profiles[0].name), 31u);
    EXPECT_EQ(std::string(game->profiles[0].name), "Zed" + std::string(28, 'i'));
}

TEST_F(DialogsTest, KeysSavesLikeOkAndHandsOverTheCapture) {
    game->profiles[2].points = 4;
    QueueDialogAction(PressControl(116));
    QueueDialogAction(TypeText(102, "K"));
    QueueDialogAction(PressControl(117));
    OpenPlayerSetup(2);
    EXPECT_EQ(+game->keyCaptureStep, 1);
    EXPECT_EQ(+game->activePlayer, 2);
    EXPECT_STREQ(game->profiles[2].name, "K");
    EXPECT_EQ(game->profiles[2].abilities[0], kShield);
    EXPECT_EQ(game->profiles[2].points, 0);
    EXPECT_EQ(Dialogs().back().result, 1);
    EXPECT_FALSE(Dialogs().back().abandoned);
    EXPECT_EQ(PaintRequests(), 1); // the title screen shows the new colours once the dialog is gone
}

TEST_F(DialogsTest, TheColourChooserKeepsItsCustomColours) {
    game->profiles[0].color = 0x00ABCDEF;
    QueueColourAnswer({false, 0x00FF0000, 3, 0x00112233}); // cancelled, one custom colour set
    QueueDialogAction(PressControl(103));
    QueueColourAnswer({true, 0x00445566});
    QueueDialogAction(PressControl(103));
    QueueDialogAction(PressControl(1));
    OpenPlayerSetup(0);
    ASSERT_EQ(ColourChoosers().size(), 2u);
    EXPECT_EQ(ColourChoosers()[0].start, 0x00ABCDEFu);
    EXPECT_EQ(ColourChoosers()[1].start, 0x00ABCDEFu); // the cancel left it
    EXPECT_EQ(ColourChoosers()[1].custom[3], 0x00112233u);
    EXPECT_EQ(+game->customColors[3], 0x00112233u);
    EXPECT_EQ(+game->profiles[0].color, 0x00445566u);

    uint32_t colour = 7;
    PickColor(colour); // nothing queued: cancelled
    EXPECT_EQ(colour, 7u);
}

TEST_F(DialogsTest, PreferencesOkKeepsTheSettingsAndRestartsMusicAndTimer) {
    game->gameSpeed = 30;
    game->musicOn = 1;
    game->soundOn = 1;
    game->musicVolume = 40;
    game->soundVolume = 50;
    game->starfieldOn = 1;
    game->audio16Bit = 1;
    game->keys[3] = 65;
    game->blockCount = 40000 - 65536; // typed as 40000 once: shown and kept as such
    game->autoWarp = 1;
    game->autoStart = 1;
    std::vector<uint8_t> before = Settings();
    StartTickTimer(70);
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_EQ(Text(d, 116), "40000");
        EXPECT_EQ(plat::TrackBarPosition(d, 104), 30);
        EXPECT_EQ(plat::TrackBarPosition(d, 111), 40);
        EXPECT_EQ(plat::TrackBarPosition(d, 113), 50);
        for (int box : {107, 109, 110, 115, 118, 121}) EXPECT_TRUE(plat::IsChecked(d, box)) << box;
        for (int box : {106, 108, 120}) EXPECT_FALSE(plat::IsChecked(d, box)) << box;
    }));
    QueueDialogAction(PressControl(1));
    OpenPreferences();
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(+game->settingsDraft, nullptr);
    EXPECT_EQ(AudioCallNames(), (std::vector<std::string>{
                                    "AStopModule", "AFreeModuleFile", "ADestroyAudioVoice", "ACloseVoices",
                                    "ACloseAudio", "AOpenAudio", "AOpenVoices", "ACreateAudioVoice",
                                    "ALoadModuleFile", "APlayModule", "ASetModuleVolume"}));
    EXPECT_EQ(AudioCalls()[5], "AOpenAudio(0xFFFF, 0x0101, 22050)"); // "44 kHz" alone: 16-bit at 22050 Hz
    EXPECT_EQ(AudioCalls()[6], "AOpenVoices(32)");
    EXPECT_EQ(TimerPeriod(game->tickTimerId), 70u);

    // Music turned off: stopped under the old settings, one voice, no module.
    ClearAudioCalls();
    QueueDialogAction(PressControl(109));
    QueueDialogAction(PressControl(1));
    OpenPreferences();
    EXPECT_EQ(game->musicOn, 0);
    EXPECT_EQ(AudioCallNames(), (std::vector<std::string>{"AStopModule", "AFreeModuleFile",
                                                          "ADestroyAudioVoice", "ACloseVoices", "ACloseAudio",
                                                          "AOpenAudio", "AOpenVoices", "ACreateAudioVoice"}));
    EXPECT_EQ(AudioCalls()[6], "AOpenVoices(1)");
}

TEST_F(DialogsTest, PreferencesAutoStartBlocksAndEscape) {
    game->autoStart = 17; // an automatic restart counting down
    game->blockCount = 12;
    game->gameSpeed = 5;
    StartTickTimer(20);
    QueueDialogAction(LookAtDialog([](Handle d) { EXPECT_FALSE(plat::IsChecked(d, 121)); }));
    QueueDialogAction(ReplaceText(116, "70"));
    QueueDialogAction(PressEscapeKey());
    OpenPreferences();
    EXPECT_EQ(game->autoStart, 17);
    EXPECT_EQ(game->blockCount, 12);
    EXPECT_EQ(Dialogs().back().result, 2);
    EXPECT_TRUE(AudioCalls().empty());

    QueueDialogAction(TypeText(116, "abc")); // after the 12 there is room for two letters only
    QueueDialogAction(LookAtDialog([](Handle d) { EXPECT_EQ(Text(d, 116), "12ab"); }));
    QueueDialogAction(PressControl(1));
    OpenPreferences();
    EXPECT_EQ(game->autoStart, 0);
    EXPECT_EQ(game->blockCount, 0);

    // The field is too narrow to type 70000, but whatever it holds is read modulo 65536.
    QueueDialogAction(TypeText(116, "70000"));
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_LT(Text(d, 116).size(), 5u);
        plat::SetControlText(d, 116, "70000");
    }));
    QueueDialogAction(PressControl(1));
    OpenPreferences();
    EXPECT_EQ(game->blockCount, 70000 - 65536);
    QueueDialogAction(LookAtDialog([](Handle d) { plat::SetControlText(d, 116, "40000"); }));
    QueueDialogAction(PressEnterKey());
    OpenPreferences();
    EXPECT_EQ(game->blockCount, 40000 - 65536);

    // About ignores Escape; only OK closes it. Its second line shows the version, in full.
    QueueDialogAction(PressEscapeKey());
    QueueDialogAction(LookAtDialog([](Handle d) {
        EXPECT_EQ(Text(d, 102), "Linux port " TARVEL_VERSION " on SDL2");
        EXPECT_LE(plat::dialog::TextWidth(Text(d, 102)), plat::DialogUnitsToPixelsX(84));
    }));
    OpenAbout();
    EXPECT_TRUE(Dialogs().back().abandoned);
    EXPECT_EQ(Dialogs().back().name, "TARVABOUT");
    QueueDialogAction(PressEscapeKey());
    QueueDialogAction(PressControl(1));
    OpenAbout();
    EXPECT_FALSE(Dialogs().back().abandoned);
    EXPECT_EQ(Dialogs().back().result, 1);
}

TEST_F(DialogsTest, PreferencesPreviewSpeedAndVolumes) {
    game->gameSpeed = 10;
    game->effectVoice = 3;
    StartTickTimer(30);
    QueueDialogAction(SlideTrackBar(104, 50));
    QueueDialogAction(LookAtDialog([](Handle) { EXPECT_EQ(TimerPeriod(game->tickTimerId), 30u); }));
    QueueDialogAction(MoveMouseTo(80, 40)); // on the track bar itself: nothing
    QueueDialogAction(LookAtDialog([](Handle) { EXPECT_EQ(TimerPeriod(game->tickTimerId), 30u); }));
    QueueDialogAction(MoveMouseTo(10, 200)); // the dialog's background
    QueueDialogAction(LookAtDialog([](Handle) {
        EXPECT_EQ(TimerPeriod(game->tickTimerId), 110u);
        game->animFrame = 0;
    }));
    QueueDialogAction(WaitInDialog(1100)); // the game ticks on behind the dialog, at the previewed speed
    QueueDialogAction(LookAtDialog([](Handle) { EXPECT_EQ(game->animFrame, 10 % 6); }));
    QueueDialogAction(SlideTrackBar(104, 100));
    QueueDialogAction(MoveMouseTo(100, 22)); // over the "Speed" frame's label: that is the dialog too
    QueueDialogAction(LookAtDialog([](Handle) { EXPECT_EQ(TimerPeriod(game->tickTimerId), 210u); }));
    QueueDialogAction(SlideTrackBar(111, 30));
    QueueDialogAction(SlideTrackBar(113, 20));
    QueueDialogAction(SlideTrackBar(113, 99));
    QueueDialogAction(PressControl(2));
    OpenPreferences();
    EXPECT_EQ(TimerPeriod(game->tickTimerId), 30u); // Cancel brings the stored speed back
    EXPECT_EQ(game->gameSpeed, 10);
    // A stored speed from a file beyond the slider's end runs at that end, and stays as it was.
    game->gameSpeed = 0x7FFFFFFB;
    QueueDialogAction(PressControl(2));
    OpenPreferences();
    EXPECT_EQ(TimerPeriod(game->tickTimerId), 210u);
    EXPECT_EQ(game->gameSpeed, 0x7FFFFFFB);
    EXPECT_EQ(AudioCalls(), (std::vector<std::string>{"ASetModuleVolume(30)", "ASetVoiceVolume(3, 20)",
                                                      "ASetVoiceVolume(3, 64)"}));
}

} // namespace
