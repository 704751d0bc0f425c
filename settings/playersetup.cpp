// The Player Setup dialog and the colour chooser.
#include <cstddef>
#include <cstring>

#include "game/records.h"
#include "platform/dialogs.h"
#include "platform/memory.h"
#include "platform/surface.h"
#include "resources/dialogs.h"
#include "settings/dialogs.h"

namespace {

constexpr int kFirstAbilityBox = 109;
constexpr int kLastAbilityBox = 125;
constexpr int kKeysButton = 117;
constexpr int kAbilitySlots = 4;

bool IsAbilityBox(intptr_t id) {
    return id >= kFirstAbilityBox && id <= kLastAbilityBox && id != kKeysButton;
}

int CheckedBoxes(Handle dialog) {
    int count = 0;
    for (int box = kFirstAbilityBox; box <= kLastAbilityBox; ++box)
        if (box != kKeysButton && plat::IsChecked(dialog, box)) ++count;
    return count;
}

// The fields show the bits the draft holds, so OK reads back what was shown.
void ShowNumber(Handle dialog, int id, int value) {
    plat::SetControlNumber(dialog, id, static_cast<uint8_t>(value));
}

void InitPlayerSetup(Handle dialog) {
    PlayerProfile* draft = game->profileDraft;
    char name[sizeof draft->name + 1] = {}; // a name from the file may fill all 32 bytes
    std::memcpy(name, draft->name, sizeof draft->name);
    plat::SetControlText(dialog, 102, name);
    ShowNumber(dialog, 105, draft->speed);
    ShowNumber(dialog, 108, draft->points);
    // The draft's points are the unspent ones already: nothing is charged here.
    for (uint8_t id : draft->abilities)
        if (id != 0) plat::SetCheck(dialog, 108 + id, true);
    plat::SetDialogTitle(dialog, name);
}

void AcceptPlayerSetup(Handle dialog) {
    PlayerProfile* draft = game->profileDraft;
    plat::GetControlText(dialog, 102, draft->name, sizeof draft->name);
    draft->speed = static_cast<int8_t>(plat::GetControlNumber(dialog, 105) & 0xFF);
    draft->points = static_cast<int8_t>(plat::GetControlNumber(dialog, 108) & 0xFF);
    std::memset(draft->abilities, 0, sizeof draft->abilities);
    int slot = 0;
    for (int box = kFirstAbilityBox; box <= kLastAbilityBox && slot < kAbilitySlots; ++box)
        if (box != kKeysButton && plat::IsChecked(dialog, box))
            draft->abilities[slot++] = static_cast<uint8_t>(box - 108);
    std::memcpy(&game->profiles[game->activePlayer], draft, sizeof(PlayerProfile));
    plat::EndDialog(dialog, 1);
}

// The box has toggled itself already.
void PurchaseAbility(Handle dialog, int box) {
    PlayerProfile* draft = game->profileDraft;
    int cost = AbilityCost(box - 108);
    int points = draft->points;
    if (!plat::IsChecked(dialog, box)) {
        points += cost;
        if (points > 127) points = 127; // a refund never wraps a big budget round to negative
    } else if (CheckedBoxes(dialog) > kAbilitySlots) {
        plat::SetCheck(dialog, box, false); // a profile holds four abilities
    } else if (points >= cost) {
        points -= cost;
    } else {
        plat::SetCheck(dialog, box, false);
    }
    draft->points = static_cast<int8_t>(points);
    ShowNumber(dialog, 108, points);
    ShowNumber(dialog, 105, points + 2);
}

void PlayerSetupProc(Handle dialog, plat::DialogMsg msg, intptr_t first, intptr_t) {
    PlayerProfile* draft = game->profileDraft;
    switch (msg) {
    case plat::DialogMsg::Init:
        InitPlayerSetup(dialog);
        break;
    case plat::DialogMsg::Paint:
        plat::FillRect(plat::DialogSurface(dialog), 82, 40, 103, 61, draft->color);
        break;
    case plat::DialogMsg::Command:
        if (first == 1) {
            AcceptPlayerSetup(dialog);
        } else if (first == 2) {
            plat::EndDialog(dialog, 2);
        } else if (first == 102) {
            plat::PostDialogCommand(dialog, 501); // the title follows once the edit is done
        } else if (first == 501) {
            plat::GetControlText(dialog, 102, draft->name, sizeof draft->name);
            plat::SetDialogTitle(dialog, draft->name);
        } else if (first == 103) {
            uint32_t colour = draft->color;
            PickColor(colour);
            draft->color = colour;
        } else if (first == kKeysButton) {
            game->keyCaptureStep = 1;
            plat::PostDialogCommand(dialog, 1);
        } else if (IsAbilityBox(first)) {
            PurchaseAbility(dialog, static_cast<int>(first));
        }
        break;
    case plat::DialogMsg::MouseMove:
    case plat::DialogMsg::TrackBarMoved:
        break;
    }
}

} // namespace

void OpenPlayerSetup(int player) {
    if (player < 0 || player > 3) return;
    game->activePlayer = static_cast<int16_t>(player);
    game->profileDraft = static_cast<PlayerProfile*>(plat::AllocateZeroed(sizeof(PlayerProfile)));
    if (!game->profileDraft) return;
    std::memcpy(game->profileDraft, &game->profiles[player], sizeof(PlayerProfile));
    plat::RunDialog(kPlayerSetupDialog, game->mainWindow, PlayerSetupProc);
    plat::FreeBlock(game->profileDraft);
    game->profileDraft = nullptr;
}

void PickColor(uint32_t& colour) {
    // The record is packed: the chooser edits a copy of the custom colours.
    uint8_t* stored = reinterpret_cast<uint8_t*>(game) + offsetof(GameRecord, customColors);
    uint32_t custom[16];
    std::memcpy(custom, stored, sizeof custom);
    plat::ChooseColour(colour, custom);
    std::memcpy(stored, custom, sizeof custom);
}
