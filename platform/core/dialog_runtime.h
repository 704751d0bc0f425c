// What both back ends share about dialogs: the open dialogs with their controls' state, and the
// dispatch of what the player does to the dialog procedure. A back end only shows the controls
// and reports the player's input through the functions below.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace plat::dialog {

struct Control {
    DialogControl layout;
    int left, top, width, height; // client pixels
    std::string text;             // the game's bytes (Windows-1252)
    bool checked = false;
    int minimum = 0, maximum = 100, position = 0;
    uint32_t changes = 0; // bumped by every change the procedure makes, so a back end can reload its copy
};

struct Dialog {
    Handle id = 0;
    const DialogTemplate* layout = nullptr;
    Handle owner = 0;
    DialogProc proc = nullptr;
    std::string title;
    int width = 0, height = 0; // client pixels
    std::vector<Control> controls;
    std::deque<int> posted;
    bool ended = false;
    int result = 0;
    bool needsPaint = true;
    Handle surface = 0;
};

// A new open dialog with its controls built from the template; nullptr without a procedure or size.
Dialog* Open(const DialogTemplate& layout, Handle owner, DialogProc proc);
// Sends Init, runs what it posted and paints.
void Start(Dialog& dialog);
// Ends a dialog for good; its owner shows again where it was (Uncover).
void Close(Dialog* dialog);
// A modal dialog or message box over owner has closed: a dialog owner repaints its surface, a
// window gets a paint message, as the uncovered part of it must show again.
void Uncover(Handle owner);
Dialog* Find(Handle id);
Control* FindControl(Dialog& dialog, int id);
// The control under a client point that takes the mouse itself (labels and frames let it through).
Control* ControlAt(Dialog& dialog, int x, int y);

// What the player does. Each ends by running the commands the procedure posted meanwhile.
// A push button sends its id; a check box toggles, then sends its id; other kinds do nothing.
void Press(Dialog& dialog, int id);
// The player changed an edit field's text. Refused (false, nothing sent) when the field is
// read-only, the text does not fit a field without scrolling, or a digits field gets a non-digit.
bool ChangeText(Dialog& dialog, int id, const std::string& text);
void MoveTrackBar(Dialog& dialog, int id, int position);
// Client pixels; sent on only when no control under the point takes the mouse.
void MoveMouse(Dialog& dialog, int x, int y);
void PressEscape(Dialog& dialog); // command 2
void PressEnter(Dialog& dialog);  // command 1
void RunPosted(Dialog& dialog);

// Clears the surface and sends Paint when the dialog was marked; true when it painted.
bool PaintIfNeeded(Dialog& dialog);
// Something covered the dialogs (a chooser closed): they paint again.
void InvalidateAll();

// Width of text in the dialog font, client pixels; the font is the same in both back ends.
constexpr float kFontPixels = 12.0f;
float TextWidth(const std::string& text);
// The room inside an edit field's frame and margins.
float EditRoom(const Control& control);
const unsigned char* FontData();
std::size_t FontSize();

// The game's texts are Windows-1252 bytes; the widget library wants UTF-8.
std::string ToUtf8(const std::string& bytes);
// Characters with no Windows-1252 byte become '?'.
std::string FromUtf8(const char* utf8);
int CodePointOf(unsigned char byte);

} // namespace plat::dialog
