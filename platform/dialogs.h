// Modal dialogs run from templates, and the colour chooser.
//
// The platform keeps every control's state (text, check mark, track-bar range and position) and
// tells the dialog's procedure what happened; the procedure reads and changes the controls through
// the calls below. Templates are given in dialog units: one unit is a quarter of the dialog font's
// average character width horizontally (1.5 px) and an eighth of its height vertically (1.625 px).
#pragma once
#include <cstdint>

#include "platform/types.h"

namespace plat {

enum class ControlKind : uint8_t {
    PushButton, // sends its id when pressed
    CheckBox,   // toggles itself, then sends its id
    GroupBox,   // a labelled frame
    Label,      // static text
    Edit,       // one line of text; sends its id after every change of its text
    TrackBar,   // horizontal slider; sends TrackBarMoved while it moves
};

// Control flags.
constexpr uint32_t kEditBorder = 1u << 0;
constexpr uint32_t kEditNoScroll = 1u << 1; // takes only as much text as fits its width
constexpr uint32_t kEditReadOnly = 1u << 2;
constexpr uint32_t kEditDigits = 1u << 3; // takes digits only
constexpr uint32_t kTrackNoTicks = 1u << 4;

struct DialogControl {
    int id;
    ControlKind kind;
    const char* text;        // nullptr = empty
    int x, y, width, height; // dialog units, relative to the client area
    uint32_t flags;
};

struct DialogTemplate {
    const char* name;
    const char* title;
    int width, height; // client area in dialog units
    bool caption;      // false: no title bar, only the frame
    const char* fontName;
    int fontPoints;
    const DialogControl* controls;
    int controlCount;
};

// What a dialog procedure is told.
enum class DialogMsg : uint32_t {
    Init,          // once, before the dialog shows
    Command,       // first = control id (a button, a check box click, a change of an edit's text,
                   // a posted command; Escape gives 2)
    MouseMove,     // second = PackPoint(x, y), client pixels; only over the dialog itself, not its controls
    TrackBarMoved, // first = control id; the position has already changed
    Paint,         // draw on DialogSurface; the controls are drawn over it afterwards
};

using DialogProc = void (*)(Handle dialog, DialogMsg msg, intptr_t first, intptr_t second);

// Shows the dialog centred over owner and returns the value given to EndDialog once it has
// closed. While it is open the periodic timer keeps running, unless it was opened from inside a
// timer callback. Once it has closed the owner gets a paint message, as for any window that was
// covered. -1 when the dialog could not be shown.
int RunDialog(const DialogTemplate& dialog, Handle owner, DialogProc proc);
// Closes the dialog once the procedure has returned; later posted commands are dropped.
void EndDialog(Handle dialog, int result);
// The procedure gets Command with id after the current message has been handled.
void PostDialogCommand(Handle dialog, int id);
void SetDialogTitle(Handle dialog, const char* title);

void SetControlText(Handle dialog, int id, const char* text);
// Copies at most size - 1 bytes and a terminator into buffer, nothing after it; returns the count.
int GetControlText(Handle dialog, int id, char* buffer, int size);
// Shows value as a decimal number.
void SetControlNumber(Handle dialog, int id, int value);
// The text read as an unsigned decimal number (blanks around it allowed); 0 when it is not one or
// does not fit 32 bits.
uint32_t GetControlNumber(Handle dialog, int id);
void SetCheck(Handle dialog, int id, bool checked);
bool IsChecked(Handle dialog, int id);
void SetTrackBarRange(Handle dialog, int id, int minimum, int maximum);
// Clamped to the range.
void SetTrackBarPosition(Handle dialog, int id, int position);
int TrackBarPosition(Handle dialog, int id);

// A surface of the dialog's client size, cleared to the dialog colour before every Paint.
Handle DialogSurface(Handle dialog);
constexpr Colour kDialogFaceColour = 0x00C0C0C0;

// Dialog units to client pixels, rounded to the nearest pixel.
constexpr int DialogUnitsToPixelsX(int units) {
    return (units * 6 + (units >= 0 ? 2 : -2)) / 4;
}
constexpr int DialogUnitsToPixelsY(int units) {
    return (units * 13 + (units >= 0 ? 4 : -4)) / 8;
}

// The colour chooser: starts at colour, with a picker and the 16 custom colours shown. Accepting
// stores the chosen colour and returns true; cancelling leaves colour alone. Edits of the custom
// colours are kept either way.
bool ChooseColour(Colour& colour, Colour custom[16]);

} // namespace plat
