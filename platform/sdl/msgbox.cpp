// The message box: a modal ImGui window with one OK button over the game.
#include "platform/msgbox.h"

#include <SDL.h>
#include <imgui.h>

#include <cstdio>
#include <string>

#include "platform/core/dialog_runtime.h"
#include "platform/core/window_runtime.h"
#include "platform/sdl/runtime.h"

namespace plat {

void ShowMessageBox(Handle owner, const char* text, const char* caption) {
    std::string message = text ? text : "";
    std::string title = caption ? caption : "";
    // Echoed for whoever runs the game from a terminal (and for the end-to-end tests).
    std::fprintf(stderr, "tarvel4: [%s] %s\n", title.c_str(), message.c_str());
    std::fflush(stderr);
    if (!sdl::HaveWindow() || sdl::InFrame()) {
        // No window of ours to draw on (or it is mid-frame): the system's own box blocks instead.
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), message.c_str(), nullptr);
        return;
    }
    static int serial = 0;
    std::string windowName = title + "##box" + std::to_string(++serial);
    bool done = false;
    core::ModalLayer layer([&](bool) {
        const ImGuiViewport* viewport = ImGui::GetMainViewport();
        ImGui::SetNextWindowPos(viewport->GetCenter(), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
        ImGui::SetNextWindowFocus();
        ImGuiWindowFlags flags = ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoMove;
        if (ImGui::Begin(windowName.c_str(), nullptr, flags)) {
            ImGui::TextUnformatted(message.c_str());
            ImGui::Spacing();
            float width = ImGui::GetFontSize() * 5;
            float avail = ImGui::GetContentRegionAvail().x;
            if (avail > width) ImGui::SetCursorPosX(ImGui::GetCursorPosX() + (avail - width) * 0.5f);
            if (ImGui::Button("OK", ImVec2(width, 0))) done = true;
            for (ImGuiKey key : {ImGuiKey_Enter, ImGuiKey_KeyPadEnter, ImGuiKey_Space, ImGuiKey_Escape})
                if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(key), false)) done = true;
        }
        ImGui::End();
    });
    while (!done) core::ModalTurn();
    dialog::Uncover(owner);
}

} // namespace plat
