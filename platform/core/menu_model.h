// The menu bar's behaviour, whatever draws it: which popup is open, which of its items is
// highlighted, and what keys and the mouse do to them, as on every desktop. Alt and a popup's
// underlined letter opens it with its first item highlighted; Up and Down move the highlight past
// separators and wrap, Left and Right go to the neighbouring popup, Enter or an item's letter
// chooses, Escape closes. The mouse opens, switches and closes popups and chooses items; a click
// anywhere else closes the open popup and is used up by that. Keys are the game's codes
// (virtual-key codes); where the pointer is comes from whoever laid the bar out.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace plat::menu {

// A label without its '&' marks, and which of its characters is underlined (-1 for none).
struct Label {
    std::string text;
    int mnemonic = -1;
};
Label StripMnemonic(const char* text);

struct Entry {
    Label label;
    bool separator = false;
    int command = 0;
};

struct Popup {
    Label label;
    std::vector<Entry> entries;
};

// What the bar made of a key or a mouse button.
struct Outcome {
    bool taken = false;         // the bar used it: the game does not see it
    std::optional<int> command; // the command of the item chosen
};

// Where the pointer is, as the bar was last drawn.
struct Spot {
    enum Kind { Outside, Title, InPopup } kind = Outside;
    int index = -1; // Title: the popup's; InPopup: the entry's, -1 between entries
};

class Bar {
  public:
    // One popup per run of items with the same popup name, in order.
    void Build(const MenuItem* items, int count);
    const std::vector<Popup>& Popups() const { return popups; }
    int Open() const { return open; }               // -1 when none is
    int Highlighted() const { return highlighted; } // an entry of the open popup, -1 for none
    void Close();

    // A key press while no modal layer is up (alt: Alt held; repeat: the key is held down).
    Outcome Key(int key, bool alt, bool repeat);
    // The pointer moved to a spot. Resting, it changes nothing: keys keep the highlight.
    void Move(Spot at);
    // A mouse button pressed or let go at a spot; primary is the left button.
    Outcome Press(Spot at, bool primary);
    Outcome Release(Spot at, bool primary);

  private:
    void OpenPopup(int index, bool highlightFirst);
    int NextEntry(int from, int step) const;
    int PopupByLetter(int key) const;
    Outcome Choose(int entry);

    std::vector<Popup> popups;
    int open = -1;
    int highlighted = -1;
};

} // namespace plat::menu
