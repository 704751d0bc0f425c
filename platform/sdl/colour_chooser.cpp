// The colour chooser in the real window: a modal ImGui layer with the current colour, a picker
// and the 16 custom colours.
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/core/dialog_runtime.h"
#include "platform/core/window_runtime.h"
#include "platform/dialogs.h"
#include "platform/sdl/classic_style.h"
#include "platform/sdl/runtime.h"

namespace plat {
namespace {

using namespace sdl;

ImVec4 ToImColour(Colour c) {
    return ImVec4((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f, 1.0f);
}

Colour FromImColour(const float rgb[3]) {
    auto byte = [](float v) { return static_cast<Colour>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
    return byte(rgb[0]) | byte(rgb[1]) << 8 | byte(rgb[2]) << 16;
}

} // namespace

bool ChooseColour(Colour& colour, Colour custom[16]) {
    if (!sdl::HaveWindow() || sdl::InFrame()) return false;
    float rgb[3];
    ImVec4 start = ToImColour(colour);
    rgb[0] = start.x, rgb[1] = start.y, rgb[2] = start.z;
    int selected = 0;
    enum { Open, Accepted, Cancelled } state = Open;
    static int serial = 0;
    std::string name = "Colour##chooser" + std::to_string(++serial);
    {
        core::ModalLayer layer([&](bool top) {
            const float k = static_cast<float>(sdl::UiScale());
            PushClassicStyle(k);
            ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(8 * k, 8 * k));
            ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(4 * k, 6 * k));
            ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(6 * k, 3 * k));
            const ImGuiViewport* viewport = ImGui::GetMainViewport();
            ImGui::SetNextWindowPos(viewport->GetCenter(), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
            if (top) ImGui::SetNextWindowFocus();
            ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_AlwaysAutoResize |
                                     ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                     ImGuiWindowFlags_NoSavedSettings;
            if (ImGui::Begin(name.c_str(), nullptr, flags)) {
                ImVec2 at = ImGui::GetWindowPos();
                float width = ImGui::GetWindowWidth();
                ImGui::GetWindowDrawList()->AddRect(at, ImVec2(at.x + width, at.y + ImGui::GetWindowHeight()),
                                                    kBlack);
                ImGui::Dummy(ImVec2(0, DrawCaption(ImGui::GetWindowDrawList(), ImVec2(at.x + k, at.y + k),
                                                   width - 2 * k, "Colour", k) -
                                           4 * k));
                ImGui::TextUnformatted("Custom colours:");
                for (int i = 0; i < 16; ++i) {
                    ImGui::PushID(i);
                    if (i % 8 != 0) ImGui::SameLine();
                    ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, i == selected ? 2 * k : 1.0f);
                    if (ImGui::ColorButton("##custom", ToImColour(custom[i]),
                                           ImGuiColorEditFlags_NoAlpha | ImGuiColorEditFlags_NoTooltip,
                                           ImVec2(20 * k, 16 * k))) {
                        selected = i;
                        ImVec4 c = ToImColour(custom[i]);
                        rgb[0] = c.x, rgb[1] = c.y, rgb[2] = c.z;
                    }
                    ImGui::PopStyleVar();
                    ImGui::PopID();
                }
                ImGui::Spacing();
                ImGui::SetNextItemWidth(200 * k);
                float reference[4] = {start.x, start.y, start.z, 1.0f};
                ImGui::ColorPicker4("##picker", rgb,
                                    ImGuiColorEditFlags_NoAlpha | ImGuiColorEditFlags_PickerHueBar |
                                        ImGuiColorEditFlags_DisplayRGB | ImGuiColorEditFlags_InputRGB,
                                    reference);
                if (ImGui::Button("Add to Custom Colours")) {
                    custom[selected] = FromImColour(rgb);
                    selected = (selected + 1) % 16;
                }
                ImGui::Spacing();
                if (ImGui::Button("OK", ImVec2(70 * k, 0))) state = Accepted;
                ImGui::SameLine();
                if (ImGui::Button("Cancel", ImVec2(70 * k, 0))) state = Cancelled;
                if (top) {
                    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false)) state = Cancelled;
                    if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false) &&
                        !ImGui::IsAnyItemActive())
                        state = Accepted;
                }
            }
            ImGui::End();
            ImGui::PopStyleVar(3);
            PopClassicStyle();
        });
        while (state == Open) core::ModalTurn();
    }
    dialog::InvalidateAll(); // the chooser covered them
    if (state != Accepted) return false;
    colour = FromImColour(rgb);
    return true;
}

} // namespace plat
