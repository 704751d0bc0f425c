// The menu bar: ImGui's main menu bar with the resource's popups and underlined mnemonics. Which
// popup is open and which item is highlighted are kept here, so keys act at once, even before
// ImGui has drawn the popup they opened; ImGui follows in the next frame, and the mouse's doings
// in ImGui are taken back here after each frame.
#include "platform/sdl/menubar.h"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "platform/sdl/keymap.h"

namespace plat::sdl {
namespace {

struct Label {
    std::string text; // without '&'
    int mnemonic;     // index into text, -1 for none
};

// One popup of the menu bar, its items (nullptr text: separator) and the letter Alt opens it with.
struct Popup {
    Label label;
    std::vector<MenuItem> items;
};

std::vector<Popup> popups;
int open = -1;        // the popup open, or asked to open
int highlighted = -1; // its item under the highlight, -1 for none
bool openInImGui = false;
bool closeAsked = false;

Label StripMnemonic(const char* text) {
    Label label{"", -1};
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

// The key code of a label's underlined letter, 0 when it has none.
int MnemonicKey(const Label& label) {
    if (label.mnemonic < 0) return 0;
    return std::toupper(static_cast<unsigned char>(label.text[label.mnemonic]));
}

// Underlines the mnemonic letter of a label whose text starts at textPos.
void Underline(const Label& label, ImVec2 textPos, bool enabled) {
    if (label.mnemonic < 0) return;
    const char* text = label.text.c_str();
    float x0 = textPos.x + ImGui::CalcTextSize(text, text + label.mnemonic).x;
    float x1 = x0 + ImGui::CalcTextSize(text + label.mnemonic, text + label.mnemonic + 1).x;
    float y = textPos.y + ImGui::GetFontSize();
    ImU32 colour = ImGui::GetColorU32(enabled ? ImGuiCol_Text : ImGuiCol_TextDisabled);
    ImGui::GetWindowDrawList()->AddLine(ImVec2(x0, y), ImVec2(x1, y), colour,
                                        std::max(1.0f, ImGui::GetFontSize() / 14.0f));
}

// The next item of the open popup from `from` in direction step (+1, -1), past separators, wrapping.
int NextItem(int from, int step) {
    const std::vector<MenuItem>& items = popups[open].items;
    int n = static_cast<int>(items.size());
    for (int i = 1; i <= n; ++i) {
        int at = ((from + step * i) % n + n) % n;
        if (from < 0 && step > 0) at = i - 1; // from nothing, Down starts at the top
        if (items[at].text) return at;
    }
    return -1;
}

void OpenPopup(int index) {
    open = index;
    highlighted = NextItem(-1, 1);
}

void Close() {
    if (open >= 0 && openInImGui) closeAsked = true;
    open = -1;
    highlighted = -1;
}

void Choose(int item, const ChooseCommand& choose) {
    int command = popups[open].items[item].command;
    Close();
    choose(command);
}

} // namespace

void BuildMenuBar(const MenuItem* items, int count) {
    popups.clear();
    open = highlighted = -1;
    std::string current;
    for (int i = 0; i < count; ++i) {
        std::string name = items[i].popup ? items[i].popup : "";
        if (popups.empty() || name != current) {
            popups.push_back({StripMnemonic(name.c_str()), {}});
            current = name;
        }
        popups.back().items.push_back(items[i]);
    }
}

void DrawMenuBar(bool enabled, const ChooseCommand& choose) {
    if (!ImGui::BeginMainMenuBar()) return;
    if (!enabled) Close();
    // Closed at once, before anything else is drawn: a popup left open under a disabled bar (a
    // dialog chosen from it) would still be drawn, empty.
    if (closeAsked && ImGui::GetCurrentContext()->OpenPopupStack.Size > 0) ImGui::ClosePopupToLevel(0, true);
    closeAsked = false;
    // A popup a key asked for replaces whatever ImGui has open at the bar.
    if (open >= 0) {
        const char* name = popups[open].label.text.c_str();
        if (!ImGui::IsPopupOpen(name)) ImGui::OpenPopup(ImGui::GetID(name));
    }
    float halfSpacing = std::floor(ImGui::GetStyle().ItemSpacing.x * 0.5f);
    int shown = -1;
    for (int i = 0; i < static_cast<int>(popups.size()); ++i) {
        Popup& popup = popups[i];
        const char* name = popup.label.text.c_str();
        ImVec2 at = ImGui::GetCursorScreenPos();
        // The highlight is ours (keys move it too), so ImGui's own hover colour stays out.
        ImGui::PushStyleColor(ImGuiCol_HeaderHovered, ImVec4(0, 0, 0, 0));
        bool isOpen = ImGui::BeginMenu(name, enabled);
        ImGui::PopStyleColor();
        // The bar's labels sit half an item spacing in and a frame padding down.
        ImVec2 textPos(at.x + halfSpacing, at.y + ImGui::GetStyle().FramePadding.y);
        if (isOpen) {
            shown = i;
            if (open != i) { // opened or switched by the mouse
                open = i;
                highlighted = -1;
            }
            ImDrawList* draw = ImGui::GetWindowDrawList();
            draw->ChannelsSplit(2); // the highlight behind the items
            bool mouseMoved = ImGui::GetIO().MouseDelta.x != 0 || ImGui::GetIO().MouseDelta.y != 0;
            for (int k = 0; k < static_cast<int>(popup.items.size()); ++k) {
                const MenuItem& item = popup.items[k];
                draw->ChannelsSetCurrent(1);
                if (!item.text) {
                    ImGui::Separator();
                    continue;
                }
                Label label = StripMnemonic(item.text);
                ImVec2 itemAt = ImGui::GetCursorScreenPos();
                ImGui::PushStyleColor(ImGuiCol_HeaderHovered, ImVec4(0, 0, 0, 0));
                bool clicked = ImGui::MenuItem(label.text.c_str());
                ImGui::PopStyleColor();
                if (mouseMoved && ImGui::IsItemHovered()) highlighted = k;
                if (k == highlighted) {
                    draw->ChannelsSetCurrent(0);
                    draw->AddRectFilled(ImGui::GetItemRectMin(), ImGui::GetItemRectMax(),
                                        ImGui::GetColorU32(ImGuiCol_HeaderHovered));
                    draw->ChannelsSetCurrent(1);
                }
                Underline(label, itemAt, true);
                if (clicked) Choose(k, choose);
            }
            draw->ChannelsMerge();
            ImGui::EndMenu();
        }
        // Drawn once the popup is ended, so it lands in the bar's draw list, not the popup's.
        Underline(popup.label, textPos, enabled);
    }
    ImGui::EndMainMenuBar();
    openInImGui = shown >= 0;
    // A popup the mouse closed (a click elsewhere) is closed here too; one a key asked for has
    // opened in this frame.
    if (shown < 0) open = highlighted = -1;
}

bool MenuOpen() {
    return open >= 0;
}

bool MenuKey(const SDL_KeyboardEvent& key, const ChooseCommand& choose) {
    int vk = VirtualKey(key.keysym.scancode);
    bool alt = key.keysym.mod & KMOD_ALT;
    auto popupByLetter = [&](int letter) {
        for (int i = 0; i < static_cast<int>(popups.size()); ++i)
            if (letter && MnemonicKey(popups[i].label) == letter) return i;
        return -1;
    };
    if (open < 0) {
        if (!alt || key.repeat) return false;
        int p = popupByLetter(vk);
        if (p < 0) return false;
        OpenPopup(p);
        return true;
    }
    int n = static_cast<int>(popups.size());
    switch (key.keysym.scancode) {
    case SDL_SCANCODE_ESCAPE:
        Close();
        return true;
    case SDL_SCANCODE_UP:
        highlighted = NextItem(highlighted < 0 ? 0 : highlighted, -1);
        return true;
    case SDL_SCANCODE_DOWN:
        highlighted = NextItem(highlighted, 1);
        return true;
    case SDL_SCANCODE_LEFT:
    case SDL_SCANCODE_RIGHT:
        OpenPopup(((open + (key.keysym.scancode == SDL_SCANCODE_RIGHT ? 1 : -1)) % n + n) % n);
        return true;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
        if (highlighted >= 0) Choose(highlighted, choose);
        return true;
    default:
        break;
    }
    // An item's letter chooses it, with Alt or without; Alt and another popup's letter goes there.
    const std::vector<MenuItem>& items = popups[open].items;
    for (int k = 0; k < static_cast<int>(items.size()); ++k)
        if (items[k].text && vk && MnemonicKey(StripMnemonic(items[k].text)) == vk) {
            Choose(k, choose);
            return true;
        }
    if (int p = alt ? popupByLetter(vk) : -1; p >= 0) OpenPopup(p);
    return true; // nothing else reaches the game while a menu is open
}

} // namespace plat::sdl
