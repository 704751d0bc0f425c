// Dialogs without a screen: queued actions stand in for the player.
#include <deque>

#include "platform/clock.h"
#include "platform/core/dialog_runtime.h"
#include "platform/core/window_runtime.h"
#include "platform/headless.h"
#include "platform/headless/internal.h"
#include "platform/window.h"

namespace plat {
namespace {

struct State {
    std::deque<headless::DialogAction> actions;
    std::vector<headless::RecordedDialog> dialogs;
    std::deque<headless::ColourAnswer> answers;
    std::vector<headless::RecordedColourChooser> choosers;
};

State& S() {
    static State state;
    return state;
}

void Perform(dialog::Dialog& d, const headless::DialogAction& a, bool timersHeld) {
    using Kind = headless::DialogAction::Kind;
    switch (a.kind) {
    case Kind::Press:
        dialog::Press(d, a.id);
        break;
    case Kind::Type:
        for (char ch : a.text) {
            dialog::Control* c = dialog::FindControl(d, a.id);
            if (!c || d.ended) break;
            dialog::ChangeText(d, a.id, c->text + ch); // a character that is refused is dropped
        }
        break;
    case Kind::Replace:
        dialog::ChangeText(d, a.id, a.text);
        break;
    case Kind::Slide:
        dialog::MoveTrackBar(d, a.id, a.value);
        break;
    case Kind::MouseMove:
        dialog::MoveMouse(d, a.x, a.y);
        break;
    case Kind::Escape:
        dialog::PressEscape(d);
        break;
    case Kind::Enter:
        dialog::PressEnter(d);
        break;
    case Kind::Wait: {
        // Inside a tick no further tick runs until the dialog ends: only time passes.
        int64_t target = backend::NowNs() + int64_t{a.value} * 1'000'000;
        if (timersHeld)
            headless::WaitForClock(target);
        else
            core::ModalTurnsUntil(target);
        break;
    }
    case Kind::Look:
        if (a.look) a.look(d.id);
        break;
    }
}

} // namespace

int RunDialog(const DialogTemplate& layout, Handle owner, DialogProc proc) {
    dialog::Dialog* d = dialog::Open(layout, owner, proc);
    if (!d) return -1;
    bool timersHeld = core::InTimerCallback();
    core::ModalLayer layer;
    dialog::Start(*d);
    bool abandoned = false;
    while (!d->ended) {
        if (S().actions.empty()) {
            abandoned = true;
            break;
        }
        headless::DialogAction action = std::move(S().actions.front());
        S().actions.pop_front();
        Perform(*d, action, timersHeld);
        dialog::PaintIfNeeded(*d);
    }
    int result = abandoned ? -1 : d->result;
    S().dialogs.push_back({layout.name ? layout.name : "", d->title, owner, result, abandoned, timersHeld});
    dialog::Close(d);
    return result;
}

bool ChooseColour(Colour& colour, Colour custom[16]) {
    headless::RecordedColourChooser seen{colour, {}, false};
    for (int i = 0; i < 16; ++i) seen.custom[i] = custom[i];
    bool accepted = false;
    if (!S().answers.empty()) {
        headless::ColourAnswer answer = S().answers.front();
        S().answers.pop_front();
        if (answer.customSlot >= 0 && answer.customSlot < 16) custom[answer.customSlot] = answer.customColour;
        if (answer.accept) {
            colour = answer.colour & 0x00FFFFFFu;
            accepted = true;
        }
    }
    seen.accepted = accepted;
    S().choosers.push_back(seen);
    dialog::InvalidateAll();
    return accepted;
}

namespace headless {

DialogAction PressControl(int id) {
    return {DialogAction::Kind::Press, id};
}
DialogAction TypeText(int id, const std::string& text) {
    return {DialogAction::Kind::Type, id, text};
}
DialogAction ReplaceText(int id, const std::string& text) {
    return {DialogAction::Kind::Replace, id, text};
}
DialogAction SlideTrackBar(int id, int position) {
    return {DialogAction::Kind::Slide, id, {}, position};
}
DialogAction MoveMouseTo(int x, int y) {
    return {DialogAction::Kind::MouseMove, 0, {}, 0, x, y};
}
DialogAction PressEscapeKey() {
    return {DialogAction::Kind::Escape};
}
DialogAction PressEnterKey() {
    return {DialogAction::Kind::Enter};
}
DialogAction WaitInDialog(uint32_t ms) {
    return {DialogAction::Kind::Wait, 0, {}, static_cast<int>(ms)};
}
DialogAction LookAtDialog(std::function<void(Handle dialog)> look) {
    DialogAction a{DialogAction::Kind::Look};
    a.look = std::move(look);
    return a;
}
void QueueDialogAction(DialogAction action) {
    S().actions.push_back(std::move(action));
}
std::string DialogTitle(Handle dialog) {
    dialog::Dialog* d = dialog::Find(dialog);
    return d ? d->title : std::string();
}
void ClearDialogActions() {
    S().actions.clear();
}
const std::vector<RecordedDialog>& Dialogs() {
    return S().dialogs;
}
void ClearDialogs() {
    S().dialogs.clear();
}
void QueueColourAnswer(ColourAnswer answer) {
    S().answers.push_back(answer);
}
const std::vector<RecordedColourChooser>& ColourChoosers() {
    return S().choosers;
}
void ClearColourChoosers() {
    S().choosers.clear();
    S().answers.clear();
}

} // namespace headless
} // namespace plat
