// Controls of the headless back end, for tests and tools: a virtual clock, recorded message boxes.
#pragma once
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat::headless {

// The virtual clock starts at 0 and moves only when told to, or by PauseMs.
void SetClock(uint32_t ms);
void AdvanceClock(uint32_t ms);
// Switches to the host's monotonic clock (PauseMs then really waits), for benchmarks.
void UseRealClock(bool real);

struct RecordedMessageBox {
    Handle owner;
    std::string text;
    std::string caption;
    uint32_t atMs; // the clock when it was shown
};
// Every message box shown since the last clear, oldest first. Each returns at once, as if OK was pressed.
const std::vector<RecordedMessageBox>& MessageBoxes();
void ClearMessageBoxes();

} // namespace plat::headless

#include "platform/window.h"

namespace plat::headless {

// A message that NextMessage hands out once the virtual clock reaches atMs (to the main window).
void ScheduleMessage(uint32_t atMs, Msg msg, intptr_t first, intptr_t second);
// A wake source (AddWakeSource) standing in for a socket: it becomes ready once the virtual clock
// reaches atMs, once; the loop's wait moves the clock there when nothing comes sooner.
void ArmFakeWakeSource(int descriptor, uint32_t atMs);
// Everything back to the start: no window, class, timers, queued or scheduled messages.
void ResetWindowing();
// How often a paint was requested, or the window invalidated, since the last reset.
int PaintRequests();
// The menus registered so far, for tests.
const std::vector<MenuItem>* MenuResource(const char* name);
// The window's title and the notice over its picture, as they stand.
std::string WindowTitle();
std::string WindowNotice();
// With nothing queued, scheduled, armed or due, NextMessage sends the window one Close message,
// and after that returns the quit message with this code, so a headless run always ends.
constexpr int kIdleExitCode = 99;

} // namespace plat::headless

#include <functional>

#include "platform/dialogs.h"

namespace plat::headless {

// How long a timer with this id runs between callbacks; 0 when it is not running.
uint32_t TimerPeriod(Handle timer);

// --- dialogs --------------------------------------------------------------------------------
// RunDialog plays queued actions, oldest first, until the procedure ends the dialog. When the
// queue runs dry first, the dialog is abandoned (RunDialog returns -1) so a run never hangs.
struct DialogAction {
    enum class Kind { Press, Type, Replace, Slide, MouseMove, Escape, Enter, Wait, Look };
    Kind kind;
    int id = 0;
    std::string text;
    int value = 0; // track-bar position or milliseconds
    int x = 0, y = 0;
    std::function<void(Handle dialog)> look;
};
// Clicks a push button or check box.
DialogAction PressControl(int id);
// Types the characters one by one at the end of an edit field's text; each change is reported.
DialogAction TypeText(int id, const std::string& text);
// Replaces an edit field's whole text at once, as a paste over a selection does.
DialogAction ReplaceText(int id, const std::string& text);
DialogAction SlideTrackBar(int id, int position);
// The mouse moves to a client point of the dialog.
DialogAction MoveMouseTo(int x, int y);
DialogAction PressEscapeKey();
DialogAction PressEnterKey();
// Lets ms of virtual time pass with the dialog open; due timer callbacks run meanwhile.
DialogAction WaitInDialog(uint32_t ms);
// Calls look with the open dialog, to read its controls.
DialogAction LookAtDialog(std::function<void(Handle dialog)> look);
void QueueDialogAction(DialogAction action);
// The title an open dialog shows now.
std::string DialogTitle(Handle dialog);
void ClearDialogActions();

struct RecordedDialog {
    std::string name;
    std::string title; // as it was when the dialog closed
    Handle owner;
    int result;
    bool abandoned;   // the actions ran out before the procedure ended it
    bool insideTimer; // opened from inside a timer callback
};
// Every dialog that closed since the last clear, oldest first.
const std::vector<RecordedDialog>& Dialogs();
void ClearDialogs();

// The colour chooser takes the next queued answer; with none queued it is cancelled.
struct ColourAnswer {
    bool accept;
    Colour colour;
    int customSlot = -1; // >= 0: this custom colour is set to customColour first
    Colour customColour = 0;
};
void QueueColourAnswer(ColourAnswer answer);
struct RecordedColourChooser {
    Colour start;
    Colour custom[16]; // as the chooser was opened with them
    bool accepted;
};
const std::vector<RecordedColourChooser>& ColourChoosers();
void ClearColourChoosers();

} // namespace plat::headless
