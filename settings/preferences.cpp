// The Preferences and About dialogs.
#include <cstring>

#include "audio/audio.h"
#include "game/records.h"
#include "game/timer.h"
#include "platform/audio.h"
#include "platform/dialogs.h"
#include "platform/memory.h"
#include "resources/dialogs.h"
#include "settings/dialogs.h"

namespace {

// The check boxes, in the order the dialog sets them up.
constexpr int kPrefsBoxes[9] = {106, 107, 108, 109, 110, 115, 118, 120, 121};

// The settings byte a check box edits. "44 kHz" is the sample width, "16 bit" the sample rate.
uint8_t* BoxField(SettingsBlock* settings, int box) {
    switch (box) {
    case 106:
        return &settings->audioFilter;
    case 107:
        return &settings->audio16Bit;
    case 108:
        return &settings->audio44k;
    case 109:
        return &settings->musicOn;
    case 110:
        return &settings->soundOn;
    case 115:
        return &settings->starfieldOn;
    case 118:
        return &settings->autoWarp;
    case 120:
        return &settings->fastExplosions;
    case 121:
        return &settings->autoStart;
    }
    return nullptr;
}

void InitPreferences(Handle dialog) {
    SettingsBlock* draft = game->settingsDraft;
    // Shown as the 16 bits it holds, so OK reads back exactly what was stored.
    plat::SetControlNumber(dialog, 116, static_cast<uint16_t>(draft->blockCount));
    // Only exactly 1 checks a box: Auto Start counting down shows unchecked.
    for (int box : kPrefsBoxes) plat::SetCheck(dialog, box, *BoxField(draft, box) == 1);
    plat::SetTrackBarRange(dialog, 104, 0, 100);
    plat::SetTrackBarRange(dialog, 111, 0, 64);
    plat::SetTrackBarRange(dialog, 113, 0, 64);
    plat::SetTrackBarPosition(dialog, 111, draft->musicVolume);
    plat::SetTrackBarPosition(dialog, 113, draft->soundVolume);
    plat::SetTrackBarPosition(dialog, 104, draft->gameSpeed);
}

void AcceptPreferences(Handle dialog) {
    SettingsBlock* draft = game->settingsDraft;
    for (int box : kPrefsBoxes) *BoxField(draft, box) = 0;
    draft->blockCount = static_cast<int16_t>(plat::GetControlNumber(dialog, 116) & 0xFFFF);
    for (int box : kPrefsBoxes)
        if (plat::IsChecked(dialog, box)) *BoxField(draft, box) = 1;
    draft->musicVolume = static_cast<uint8_t>(plat::TrackBarPosition(dialog, 111));
    draft->soundVolume = static_cast<uint8_t>(plat::TrackBarPosition(dialog, 113));
    draft->gameSpeed = plat::TrackBarPosition(dialog, 104);
    // Still under the old settings: stops the music exactly when it was playing.
    StopMusic();
    std::memcpy(SettingsBytes(game), draft, kSettingsSize);
    CloseAudio();
    OpenAudio();
    StartMusic("sounds\\music.xm");
    RestartTickTimer(TickPeriod(game->gameSpeed));
    plat::EndDialog(dialog, 1);
}

void PreferencesProc(Handle dialog, plat::DialogMsg msg, intptr_t first, intptr_t) {
    switch (msg) {
    case plat::DialogMsg::Init:
        InitPreferences(dialog);
        break;
    case plat::DialogMsg::Command:
        if (first == 1) AcceptPreferences(dialog);
        if (first == 2) {
            plat::EndDialog(dialog, 2);
            RestartTickTimer(TickPeriod(game->gameSpeed)); // undoes any speed preview
        }
        break;
    case plat::DialogMsg::MouseMove:
        // The game runs at the slider's speed as soon as the pointer is back on the dialog.
        RestartTickTimer(TickPeriod(plat::TrackBarPosition(dialog, 104)));
        break;
    case plat::DialogMsg::TrackBarMoved:
        if (first == 111) plat::ASetModuleVolume(plat::TrackBarPosition(dialog, 111));
        if (first == 113)
            plat::ASetVoiceVolume(static_cast<uint32_t>(game->effectVoice),
                                  plat::TrackBarPosition(dialog, 113));
        break;
    case plat::DialogMsg::Paint:
        break;
    }
}

void AboutProc(Handle dialog, plat::DialogMsg msg, intptr_t first, intptr_t) {
    // Only the OK button closes it; Escape's cancel is ignored.
    if (msg == plat::DialogMsg::Command && first == 1) plat::EndDialog(dialog, 1);
}

} // namespace

void OpenPreferences() {
    game->settingsDraft = static_cast<SettingsBlock*>(plat::AllocateZeroed(sizeof(SettingsBlock)));
    if (!game->settingsDraft) return;
    std::memcpy(game->settingsDraft, SettingsBytes(game), kSettingsSize);
    plat::RunDialog(kPrefsDialog, game->mainWindow, PreferencesProc);
    plat::FreeBlock(game->settingsDraft);
    game->settingsDraft = nullptr;
}

void OpenAbout() {
    plat::RunDialog(kAboutDialog, game->mainWindow, AboutProc);
}
