#include "platform/sdl/classic_style.h"

#include <cmath>

#include "platform/sdl/runtime.h"

namespace plat::sdl {

void PushClassicStyle(float k) {
    ImGui::PushFont(sdl::DialogFont());
    ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(0, 0));
    ImGui::PushStyleVar(ImGuiStyleVar_WindowBorderSize, 0);
    ImGui::PushStyleVar(ImGuiStyleVar_WindowRounding, 0);
    ImGui::PushStyleVar(ImGuiStyleVar_FrameRounding, 0);
    ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 1);
    ImGui::PushStyleVar(ImGuiStyleVar_ItemInnerSpacing, ImVec2(4 * k, 4 * k));
    ImGui::PushStyleVar(ImGuiStyleVar_GrabMinSize, 8 * k);
    ImGui::PushStyleColor(ImGuiCol_WindowBg, kFace);
    ImGui::PushStyleColor(ImGuiCol_Text, kBlack);
    ImGui::PushStyleColor(ImGuiCol_TextDisabled, kShadow);
    ImGui::PushStyleColor(ImGuiCol_Border, kBlack);
    ImGui::PushStyleColor(ImGuiCol_BorderShadow, IM_COL32(0, 0, 0, 0));
    ImGui::PushStyleColor(ImGuiCol_Button, IM_COL32(0xD4, 0xD0, 0xC8, 0xFF));
    ImGui::PushStyleColor(ImGuiCol_ButtonHovered, IM_COL32(0xE4, 0xE0, 0xD8, 0xFF));
    ImGui::PushStyleColor(ImGuiCol_ButtonActive, IM_COL32(0xA0, 0xA0, 0xA0, 0xFF));
    ImGui::PushStyleColor(ImGuiCol_FrameBg, kLight);
    ImGui::PushStyleColor(ImGuiCol_FrameBgHovered, IM_COL32(0xF4, 0xF4, 0xF4, 0xFF));
    ImGui::PushStyleColor(ImGuiCol_FrameBgActive, kLight);
    ImGui::PushStyleColor(ImGuiCol_CheckMark, kBlack);
    ImGui::PushStyleColor(ImGuiCol_SliderGrab, IM_COL32(0xD4, 0xD0, 0xC8, 0xFF));
    ImGui::PushStyleColor(ImGuiCol_SliderGrabActive, IM_COL32(0xA0, 0xA0, 0xA0, 0xFF));
    ImGui::PushStyleColor(ImGuiCol_TextSelectedBg, IM_COL32(0x00, 0x00, 0x80, 0x60));
    ImGui::PushStyleColor(ImGuiCol_NavHighlight, kBlack);
    ImGui::PushStyleColor(ImGuiCol_PopupBg, kFace);
}

void PopClassicStyle() {
    ImGui::PopStyleColor(17);
    ImGui::PopStyleVar(7);
    ImGui::PopFont();
}

float DrawCaption(ImDrawList* draw, ImVec2 at, float width, const std::string& title, float k) {
    float height = std::round(sdl::DialogFont()->FontSize + 6 * k);
    draw->AddRectFilled(at, ImVec2(at.x + width, at.y + height), kCaption);
    draw->AddText(sdl::DialogFont(), sdl::DialogFont()->FontSize, ImVec2(at.x + 4 * k, at.y + 3 * k), kLight,
                  title.c_str());
    return height;
}

} // namespace plat::sdl
