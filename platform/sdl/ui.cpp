// ImGui at the view's whole factor: the menu bar's and the dialogs' faces, and the style, made
// again whenever the factor changes (the window resized, fullscreen), always outside a frame.
#include <backends/imgui_impl_sdlrenderer.h>
#include <imgui.h>

#include <cstdio>

#include "platform/core/dialog_runtime.h"
#include "platform/sdl/runtime.h"

extern "C" const unsigned char tarvel_font_data[];
extern "C" const unsigned long long tarvel_font_size;

namespace plat::sdl {
namespace {

// The upper half of Windows-1252 as code points, so every byte a name can hold has a glyph.
const ImWchar kDialogGlyphs[] = {0x0020, 0x00FF, 0x0152, 0x0153, 0x0160, 0x0161, 0x0178, 0x0178, 0x017D,
                                 0x017E, 0x0192, 0x0192, 0x02C6, 0x02C6, 0x02DC, 0x02DC, 0x2013, 0x2014,
                                 0x2018, 0x201E, 0x2020, 0x2022, 0x2026, 0x2026, 0x2030, 0x2030, 0x2039,
                                 0x203A, 0x20AC, 0x20AC, 0x2122, 0x2122, 0};

ImFont* dialogFont = nullptr;
int uiScale = 0;

} // namespace

void ScaleUi(int scale) {
    if (scale == uiScale) return;
    const float k = static_cast<float>(scale);
    ImGuiIO& io = ImGui::GetIO();
    io.Fonts->Clear();
    ImFontConfig bar;
    bar.FontDataOwnedByAtlas = false;
    io.Fonts->AddFontFromMemoryTTF(const_cast<unsigned char*>(tarvel_font_data),
                                   static_cast<int>(tarvel_font_size), view::kBarFont * k,
                                   &bar); // the first face is ImGui's default
    ImFontConfig face;
    face.FontDataOwnedByAtlas = false;
    face.OversampleH = 2;
    std::snprintf(face.Name, sizeof face.Name, "dialog %dx", scale);
    dialogFont = io.Fonts->AddFontFromMemoryTTF(const_cast<unsigned char*>(dialog::FontData()),
                                                static_cast<int>(dialog::FontSize()), dialog::kFontPixels * k,
                                                &face, kDialogGlyphs);
    if (uiScale != 0) { // the renderer's texture of the old atlas goes; at start it is made on first use
        ImGui_ImplSDLRenderer_DestroyFontsTexture();
        ImGui_ImplSDLRenderer_CreateFontsTexture();
    }
    ImGuiStyle& style = ImGui::GetStyle();
    style = ImGuiStyle();
    ImGui::StyleColorsClassic(&style);
    style.FramePadding.y = view::kBarPadY;
    style.DisplaySafeAreaPadding = ImVec2(0, 0);
    style.WindowRounding = 0;
    // Crisp lines, a whole pixel wide: smoothed ones come from the font texture, which SDL's
    // software renderer samples without filtering (two pixels wide), or from a fringe of vertex
    // alpha (washed out). The lines of menus and dialogs are straight anyway.
    style.AntiAliasedLines = false;
    style.ScaleAllSizes(k);
    uiScale = scale;
}

int UiScale() {
    return uiScale;
}

ImFont* DialogFont() {
    return dialogFont;
}

void ForgetUi() {
    dialogFont = nullptr;
    uiScale = 0;
}

} // namespace plat::sdl
