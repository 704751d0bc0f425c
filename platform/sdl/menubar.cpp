// The menu bar in ImGui's main menu bar: the titles and the open popup are drawn from the model's
// state, with underlined mnemonics. Nothing of it is an ImGui menu, so ImGui holds no state of its
// own that could disagree with the model. Where each title, the popup and its items landed in the
// last frame is kept here, to tell the model where the pointer is when SDL reports it, in the
// order events come, so a click decides at once whether it is the game's.
#include "platform/sdl/menubar.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/core/menu_model.h"
#include "platform/sdl/keymap.h"

namespace plat::sdl {
namespace {

menu::Bar bar;

// A rectangle in window pixels.
struct Box {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Holds(float x, float y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// Where the last frame drew the bar.
struct Drawn {
    std::vector<Box> titles;
    int popup = -1; // the popup drawn, -1 for none
    Box frame;
    std::vector<Box> entries; // separators get an empty box
};
Drawn drawn;

menu::Spot SpotAt(int x, int y) {
    float fx = static_cast<float>(x), fy = static_cast<float>(y);
    for (int i = 0; i < static_cast<int>(drawn.titles.size()); ++i)
        if (drawn.titles[i].Holds(fx, fy)) return {menu::Spot::Title, i};
    // A popup opened by a key and not drawn yet is not there to be clicked.
    if (drawn.popup < 0 || drawn.popup != bar.Open() || !drawn.frame.Holds(fx, fy)) return {};
    for (int k = 0; k < static_cast<int>(drawn.entries.size()); ++k)
        if (drawn.entries[k].Holds(fx, fy)) return {menu::Spot::InPopup, k};
    return {menu::Spot::InPopup, -1};
}

bool Act(const menu::Outcome& outcome, const ChooseCommand& choose) {
    if (outcome.command) choose(*outcome.command);
    return outcome.taken;
}

// Underlines the mnemonic letter of a label whose text starts at textPos.
void Underline(const menu::Label& label, ImVec2 textPos, bool enabled) {
    if (label.mnemonic < 0) return;
    const char* text = label.text.c_str();
    float x0 = textPos.x + ImGui::CalcTextSize(text, text + label.mnemonic).x;
    float x1 = x0 + ImGui::CalcTextSize(text + label.mnemonic, text + label.mnemonic + 1).x;
    float y = textPos.y + ImGui::GetFontSize();
    ImU32 colour = ImGui::GetColorU32(enabled ? ImGuiCol_Text : ImGuiCol_TextDisabled);
    ImGui::GetWindowDrawList()->AddLine(ImVec2(x0, y), ImVec2(x1, y), colour,
                                        std::max(1.0f, ImGui::GetFontSize() / 14.0f));
}

// The titles, each with half an item spacing of room either side of its text and the open one
// highlighted, laid out as ImGui lays out its own menus.
void DrawTitles(bool enabled) {
    const ImGuiStyle& style = ImGui::GetStyle();
    ImDrawList* draw = ImGui::GetWindowDrawList();
    ImVec2 barAt = ImGui::GetWindowPos();
    float barBottom = barAt.y + ImGui::GetWindowHeight();
    float spacing = style.ItemSpacing.x, lineGap = std::floor(style.ItemSpacing.y * 0.5f);
    float x = ImGui::GetCursorScreenPos().x + std::floor(spacing * 0.5f);
    drawn.titles.clear();
    const std::vector<menu::Popup>& popups = bar.Popups();
    for (int i = 0; i < static_cast<int>(popups.size()); ++i) {
        const menu::Label& label = popups[i].label;
        float width = ImGui::CalcTextSize(label.text.c_str()).x;
        Box box{x - spacing, barAt.y, x + width + spacing, barBottom};
        ImVec2 textAt(x, barAt.y + style.FramePadding.y);
        if (bar.Open() == i) // the highlight reaches half a line spacing above and below the text
            draw->AddRectFilled(ImVec2(box.x0, textAt.y - lineGap),
                                ImVec2(box.x1, textAt.y + ImGui::GetFontSize() + lineGap),
                                ImGui::GetColorU32(ImGuiCol_Header));
        draw->AddText(textAt, ImGui::GetColorU32(enabled ? ImGuiCol_Text : ImGuiCol_TextDisabled),
                      label.text.c_str());
        Underline(label, textAt, enabled);
        drawn.titles.push_back(box);
        x += width + 2 * spacing;
    }
}

// The open popup: a plain window under its title, one selectable row per item, the model's
// highlight and no other.
void DrawPopup(int open, float top) {
    const ImGuiStyle& style = ImGui::GetStyle();
    const menu::Popup& popup = bar.Popups()[open];
    // As wide as the longest item and the room ImGui's menus keep beside it for a check mark.
    float width = 0;
    for (const menu::Entry& entry : popup.entries)
        width = std::max(width, ImGui::CalcTextSize(entry.label.text.c_str()).x);
    width += style.ItemSpacing.x + std::floor(ImGui::GetFontSize() * 1.2f);
    ImGui::SetNextWindowPos(ImVec2(drawn.titles[open].x0 - 1, top));
    ImGui::SetNextWindowContentSize(ImVec2(width, 0));
    ImGui::PushStyleColor(ImGuiCol_WindowBg, style.Colors[ImGuiCol_PopupBg]);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, style.PopupBorderSize);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, style.PopupRounding);
    std::string name = "##menu" + std::to_string(open);
    ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_AlwaysAutoResize |
                             ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove |
                             ImGuiWindowFlags_NoNav | ImGuiWindowFlags_NoFocusOnAppearing;
    if (ImGui::Begin(name.c_str(), nullptr, flags)) {
        ImVec2 at = ImGui::GetWindowPos(), size = ImGui::GetWindowSize();
        drawn.popup = open;
        drawn.frame = {at.x, at.y, at.x + size.x, at.y + size.y};
        for (int k = 0; k < static_cast<int>(popup.entries.size()); ++k) {
            const menu::Entry& entry = popup.entries[k];
            if (entry.separator) {
                ImGui::Separator();
                drawn.entries.push_back({});
                continue;
            }
            bool lit = k == bar.Highlighted();
            ImVec4 colour = lit ? style.Colors[ImGuiCol_HeaderHovered] : ImVec4(0, 0, 0, 0);
            for (ImGuiCol part : {ImGuiCol_Header, ImGuiCol_HeaderHovered, ImGuiCol_HeaderActive})
                ImGui::PushStyleColor(part, colour);
            ImVec2 textAt = ImGui::GetCursorScreenPos();
            ImGui::PushID(k);
            ImGui::Selectable(entry.label.text.c_str(), lit);
            ImGui::PopID();
            ImGui::PopStyleColor(3);
            Underline(entry.label, textAt, true);
            ImVec2 min = ImGui::GetItemRectMin(), max = ImGui::GetItemRectMax();
            drawn.entries.push_back({min.x, min.y, max.x, max.y});
        }
    }
    ImGui::End();
    ImGui::PopStyleVar(2);
    ImGui::PopStyleColor();
}

} // namespace

void BuildMenuBar(const MenuItem* items, int count) {
    bar.Build(items, count);
    drawn = {};
}

void DrawMenuBar(bool enabled) {
    if (!enabled) bar.Close();
    drawn.popup = -1;
    drawn.entries.clear();
    if (!ImGui::BeginMainMenuBar()) {
        drawn.titles.clear();
        return;
    }
    DrawTitles(enabled);
    float barBottom = ImGui::GetWindowPos().y + ImGui::GetWindowHeight();
    ImGui::EndMainMenuBar();
    if (bar.Open() >= 0) DrawPopup(bar.Open(), barBottom);
}

bool MenuOpen() {
    return bar.Open() >= 0;
}

bool MenuKey(const SDL_KeyboardEvent& key, const ChooseCommand& choose) {
    bool alt = key.keysym.mod & KMOD_ALT;
    return Act(bar.Key(VirtualKey(key.keysym.scancode), alt, key.repeat), choose);
}

bool MenuMouse(const SDL_Event& event, const ChooseCommand& choose) {
    switch (event.type) {
    case SDL_MOUSEMOTION:
        bar.Move(SpotAt(event.motion.x, event.motion.y));
        return false;
    case SDL_MOUSEBUTTONDOWN:
        return Act(bar.Press(SpotAt(event.button.x, event.button.y), event.button.button == SDL_BUTTON_LEFT),
                   choose);
    case SDL_MOUSEBUTTONUP:
        return Act(
            bar.Release(SpotAt(event.button.x, event.button.y), event.button.button == SDL_BUTTON_LEFT),
            choose);
    default:
        return false;
    }
}

} // namespace plat::sdl
