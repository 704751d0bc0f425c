// The main window's procedure: prompts, paint, keys, menu commands and title-screen clicks.
#include "app/input.h"
#include "audio/audio.h"
#include "game/keys.h"
#include "game/records.h"
#include "game/round.h"
#include "gfx/canvas.h"
#include "replay/service.h"
#include "resources/resources.h"
#include "settings/dialogs.h"

namespace {

// What to draw before each message while the six keys are being captured.
void DrawCapturePrompt() {
    switch (game->keyCaptureStep) {
    case 1:
        DrawText("Setting keys:", 10, 100);
        DrawText("Press up...", 10, 120);
        break;
    case 2:
        DrawText("Press down...", 10, 140);
        break;
    case 3:
        DrawText("Press left...", 10, 160);
        break;
    case 4:
        DrawText("Press right...", 10, 180);
        break;
    case 5:
        DrawText("Press fire...", 10, 200);
        break;
    case 6:
        DrawText("Press special...", 10, 220);
        break;
    default:
        break;
    }
}

const char* KindIcon(int16_t kind) {
    switch (kind) {
    case kHuman:
        return "graphics\\human.bmp";
    case kComputer:
        return "graphics\\comp.bmp";
    default:
        return "graphics\\none.bmp"; // a kind outside 0..2 from a file shows as an empty seat
    }
}

void DrawSlotIcon(int slot) {
    BlitBitmapFile(KindIcon(game->playerKind[slot]), 64 * slot + 40, 40, 32, 32);
}

void DrawTitleScreen() {
    FillBox(0, 0, 640, 480, 0);
    BlitBitmapFile("graphics\\t4logo.bmp", 0, 0, 600, 400);
    BlitBitmapFile("graphics\\players.bmp", 100, 10, 100, 20);
    BlitBitmapFile("graphics\\quit.bmp", 526, 316, 32, 32);
    BlitBitmapFile("graphics\\play.bmp", 476, 316, 32, 32);
    for (int i = 0; i < 4; ++i) {
        FillBox(64 * i + 38, 38, 36, 36, game->profiles[i].color);
        DrawSlotIcon(i);
    }
}

// One step of key capture: store the key as the next binding of the player being set up.
void CaptureKey(unsigned k) {
    int step = game->keyCaptureStep;
    DrawNumber(static_cast<int32_t>(k), 100, static_cast<int16_t>(100 + 20 * step));
    int p = game->activePlayer;
    // The six bindings of p are keys[p], keys[4 + p] ... keys[20 + p]; a stray p stores nothing.
    if (p >= 0 && p < 4) game->keys[4 * (step - 1) + p] = static_cast<uint8_t>(k & 0xFF);
    if (step < 6) {
        game->keyCaptureStep = static_cast<int16_t>(step + 1);
        return;
    }
    game->keyCaptureStep = 0;
    DrawText("Done!", 10, 240);
    WaitMs(200);
    plat::PostToWindow(game->mainWindow, plat::Msg::Paint, 0, 0);
}

void OnCommand(int id, intptr_t value) {
    switch (id) {
    case kCmdNewGame:
        NewRound();
        break;
    case kCmdQuit:
        plat::PostQuit(0);
        break;
    case kCmdAbout:
        OpenAbout();
        break;
    case kCmdOption:
        OpenPreferences();
        break;
    case kCmdWatchLastRound:
        replay::Watch("");
        break;
    case kCmdPlayerSetup:
        OpenPlayerSetup(static_cast<int>(value & 0xFFFF));
        break;
    default:
        break;
    }
}

// A title-screen button: pressed look, a moment, the button again.
void PressButton(const char* picture, int16_t x, int16_t y) {
    DrawSprite(game->imgPressed, 0, x, y);
    WaitMs(100);
    BlitBitmapFile(picture, x, y, 32, 32);
}

intptr_t HandleMessage(Handle window, plat::Msg msg, intptr_t first, intptr_t second) {
    DrawCapturePrompt();
    switch (msg) {
    case plat::Msg::Destroy:
    case plat::Msg::Close:
        // The window stays; the loop ends and shutdown takes it from there.
        plat::PostQuit(0);
        return 0;
    case plat::Msg::Paint:
        if (game->screenMode == 1) {
            DrawTitleScreen();
            // The picture just covered the prompt drawn above; a capture under way (Keys closes
            // Player Setup, whose going repaints the title) keeps asking on top of it.
            DrawCapturePrompt();
        }
        return 0;
    case plat::Msg::KeyDown:
        if (game->keyCaptureStep != 0) CaptureKey(static_cast<unsigned>(first));
        HandleKey(static_cast<unsigned>(first));
        return 1;
    case plat::Msg::Char:
        return 0;
    case plat::Msg::Command:
        OnCommand(static_cast<int>(first & 0xFFFF), second);
        return 0;
    case plat::Msg::LeftDown:
        TitleClick(1, static_cast<unsigned>(second & 0xFFFF), static_cast<unsigned>((second >> 16) & 0xFFFF));
        return 1;
    case plat::Msg::RightDown:
        TitleClick(2, static_cast<unsigned>(second & 0xFFFF), static_cast<unsigned>((second >> 16) & 0xFFFF));
        return 1;
    default:
        return plat::DefaultWindowProc(window, msg, first, second);
    }
}

} // namespace

namespace {
const MessageHooks* hooks = nullptr;
}

void SetMessageHooks(const MessageHooks* messageHooks) {
    hooks = messageHooks;
}

intptr_t MainWindowProc(Handle window, plat::Msg msg, intptr_t first, intptr_t second) {
    if (hooks && hooks->take(msg, first, second)) return 1;
    if (hooks) hooks->begin(msg, first);
    intptr_t result = HandleMessage(window, msg, first, second);
    if (hooks) hooks->end();
    return result;
}

void TitleClick(int button, unsigned x, unsigned y) {
    if (game->screenMode == 2) return;
    if (OnPlayButton(x, y)) {
        PressButton("graphics\\play.bmp", 476, 316);
        NewRound();
    }
    if (OnQuitButton(x, y)) {
        PressButton("graphics\\quit.bmp", 526, 316);
        plat::PostQuit(0);
    }
    if (y > 39 && y < 73) {
        // Unsigned on purpose: a click left of x = 40 wraps round to a huge d and hits no slot.
        unsigned d = (x - 40u) / 32u;
        if (d != 0 && d != 2 && d != 4 && d != 6) return;
        int slot = static_cast<int>(d / 2);
        int16_t e = static_cast<int16_t>(64 * slot + 40);
        if (button == 1) {
            PlayEffect(game->soundKlick);
            DrawSprite(game->imgPressed, 0, e, 40);
            WaitMs(100);
            int16_t kind = static_cast<int16_t>(game->playerKind[slot] + 1);
            // none -> human -> computer -> none; a kind outside that cycle from a file starts it again.
            if (kind > kComputer || kind < kNoPlayer) kind = kNoPlayer;
            game->playerKind[slot] = kind;
        } else if (button == 2) {
            DrawSprite(game->imgPressed, 0, e, 40);
            PlayEffect(game->soundKaboom);
            WaitMs(100);
            // Player Setup opens once this click has been handled.
            plat::PostToWindow(game->mainWindow, plat::Msg::Command, kCmdPlayerSetup, slot);
        }
        DrawSlotIcon(slot);
        return;
    }
    if (button == 2) plat::PostToWindow(game->mainWindow, plat::Msg::Command, kCmdOption, 0);
}
