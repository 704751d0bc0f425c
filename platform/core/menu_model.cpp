#include "platform/core/menu_model.h"

#include <cctype>

namespace plat::menu {
namespace {

constexpr int kEnter = 13, kEscape = 27, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

// The key code of a label's underlined letter, 0 when it has none.
int LetterKey(const Label& label) {
    if (label.mnemonic < 0) return 0;
    return std::toupper(static_cast<unsigned char>(label.text[label.mnemonic]));
}

} // namespace

Label StripMnemonic(const char* text) {
    Label label;
    for (const char* c = text; *c; ++c) {
        if (*c == '&' && c[1] && c[1] != '&') {
            label.mnemonic = static_cast<int>(label.text.size());
            continue;
        }
        if (*c == '&' && c[1] == '&') ++c;
        label.text += *c;
    }
    return label;
}

void Bar::Build(const MenuItem* items, int count) {
    popups.clear();
    Close();
    std::string current;
    for (int i = 0; i < count; ++i) {
        std::string name = items[i].popup ? items[i].popup : "";
        if (popups.empty() || name != current) {
            popups.push_back({StripMnemonic(name.c_str()), {}});
            current = name;
        }
        Entry entry;
        entry.separator = !items[i].text;
        if (items[i].text) entry.label = StripMnemonic(items[i].text);
        entry.command = items[i].command;
        popups.back().entries.push_back(entry);
    }
}

void Bar::Close() {
    open = -1;
    highlighted = -1;
}

void Bar::OpenPopup(int index, bool highlightFirst) {
    open = index;
    highlighted = -1;
    if (highlightFirst) highlighted = NextEntry(-1, 1);
}

// The entry after `from` (-1: before the first) in direction step, past separators, wrapping.
int Bar::NextEntry(int from, int step) const {
    const std::vector<Entry>& entries = popups[open].entries;
    int n = static_cast<int>(entries.size());
    if (from < 0) from = step > 0 ? -1 : n;
    for (int i = 1; i <= n; ++i) {
        int at = ((from + step * i) % n + n) % n;
        if (!entries[at].separator) return at;
    }
    return -1;
}

int Bar::PopupByLetter(int key) const {
    for (int i = 0; i < static_cast<int>(popups.size()); ++i)
        if (key && LetterKey(popups[i].label) == key) return i;
    return -1;
}

Outcome Bar::Choose(int entry) {
    int command = popups[open].entries[entry].command;
    Close();
    return {true, command};
}

Outcome Bar::Key(int key, bool alt, bool repeat) {
    if (open < 0) {
        int p = alt && !repeat ? PopupByLetter(key) : -1;
        if (p < 0) return {};
        OpenPopup(p, true);
        return {true, {}};
    }
    int n = static_cast<int>(popups.size());
    switch (key) {
    case kEscape:
        Close();
        return {true, {}};
    case kUp:
    case kDown:
        highlighted = NextEntry(highlighted, key == kDown ? 1 : -1);
        return {true, {}};
    case kLeft:
    case kRight:
        OpenPopup(((open + (key == kRight ? 1 : -1)) % n + n) % n, true);
        return {true, {}};
    case kEnter:
        if (highlighted >= 0) return Choose(highlighted);
        return {true, {}};
    default:
        break;
    }
    // An item's letter chooses it, with Alt or without; Alt and another popup's letter goes there.
    const std::vector<Entry>& entries = popups[open].entries;
    for (int k = 0; k < static_cast<int>(entries.size()); ++k)
        if (key && !entries[k].separator && LetterKey(entries[k].label) == key) return Choose(k);
    if (int p = alt && !repeat ? PopupByLetter(key) : -1; p >= 0) OpenPopup(p, true);
    return {true, {}}; // nothing else reaches the game while a menu is open
}

void Bar::Move(Spot at) {
    if (open < 0) return;
    if (at.kind == Spot::Title && at.index != open && at.index >= 0 &&
        at.index < static_cast<int>(popups.size()))
        OpenPopup(at.index, false);
    if (at.kind == Spot::InPopup) {
        const std::vector<Entry>& entries = popups[open].entries;
        bool onItem =
            at.index >= 0 && at.index < static_cast<int>(entries.size()) && !entries[at.index].separator;
        highlighted = onItem ? at.index : -1;
    }
}

Outcome Bar::Press(Spot at, bool primary) {
    switch (at.kind) {
    case Spot::Title:
        if (!primary || at.index < 0 || at.index >= static_cast<int>(popups.size())) return {true, {}};
        if (open == at.index)
            Close();
        else
            OpenPopup(at.index, false);
        return {true, {}};
    case Spot::InPopup:
        if (open < 0) return {};
        if (primary) Move(at);
        return {true, {}};
    case Spot::Outside:
        break;
    }
    // A click anywhere else closes the menu, and does nothing more.
    if (open < 0) return {};
    Close();
    return {true, {}};
}

Outcome Bar::Release(Spot at, bool primary) {
    if (open < 0 || at.kind != Spot::InPopup) return {};
    Move(at);
    if (primary && highlighted >= 0) return Choose(highlighted);
    return {true, {}};
}

} // namespace plat::menu
