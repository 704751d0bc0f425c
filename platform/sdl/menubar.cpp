// The menu bar: ImGui's main menu bar with the resource's popups and underlined mnemonics.
#include "platform/sdl/menubar.h"

#include <imgui.h>

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

// One popup of the menu bar, its items and the letter Alt opens it with.
struct Popup {
    Label label;
    std::vector<MenuItem> items;
};

std::vector<Popup> popups;
int openRequest = -1;
bool closeRequest = false;

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

} // namespace

void BuildMenuBar(const MenuItem* items, int count) {
    popups.clear();
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

void DrawMenuBar(bool enabled, const std::function<void(int command)>& choose) {
    if (!ImGui::BeginMainMenuBar()) return;
    float halfSpacing = std::floor(ImGui::GetStyle().ItemSpacing.x * 0.5f);
    for (int i = 0; i < static_cast<int>(popups.size()); ++i) {
        const Popup& popup = popups[i];
        const char* name = popup.label.text.c_str();
        if (openRequest == i && enabled) ImGui::OpenPopup(ImGui::GetID(name));
        ImVec2 at = ImGui::GetCursorScreenPos();
        bool open = ImGui::BeginMenu(name, enabled);
        // The bar's labels sit half an item spacing in and a frame padding down.
        ImVec2 textPos(at.x + halfSpacing, at.y + ImGui::GetStyle().FramePadding.y);
        if (open) {
            for (const MenuItem& item : popup.items) {
                if (!item.text) {
                    ImGui::Separator();
                    continue;
                }
                Label label = StripMnemonic(item.text);
                ImVec2 itemAt = ImGui::GetCursorScreenPos();
                if (ImGui::MenuItem(label.text.c_str())) choose(item.command);
                Underline(label, itemAt, true);
            }
            if (closeRequest) ImGui::CloseCurrentPopup();
            ImGui::EndMenu();
        }
        // Drawn once the popup is ended, so it lands in the bar's draw list, not the popup's.
        Underline(popup.label, textPos, enabled);
    }
    openRequest = -1;
    closeRequest = false;
    ImGui::EndMainMenuBar();
}

bool OpenMenuByMnemonic(const SDL_KeyboardEvent& key) {
    if (!(key.keysym.mod & KMOD_ALT) || key.repeat) return false;
    int vk = VirtualKey(key.keysym.scancode);
    for (int i = 0; i < static_cast<int>(popups.size()); ++i) {
        const Label& label = popups[i].label;
        if (label.mnemonic < 0) continue;
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(label.text[label.mnemonic])));
        if (vk == letter) {
            openRequest = i;
            return true;
        }
    }
    return false;
}

void CloseMenu() {
    closeRequest = true;
}

} // namespace plat::sdl
