// Frames: the surface scaled into the window with the menu bar and every modal layer drawn by
// ImGui over it (present.h), at most at the display's rate and only when something changed.
#include <SDL.h>
#include <backends/imgui_impl_sdl.h>
#include <backends/imgui_impl_sdlrenderer.h>
#include <imgui.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>

#include "platform/core/window_runtime.h"
#include "platform/sdl/menubar.h"
#include "platform/sdl/present.h"
#include "platform/sdl/runtime.h"
#include "platform/surface.h"

namespace plat {
namespace sdl {
namespace {

// No more frames a second than the display shows (60 where it does not say); a frame never holds
// up a tick. The worms' trails build up in the surface, so a tick that is not presented loses
// nothing: the next frame shows it.
constexpr int kDefaultRefreshHz = 60;
constexpr int kSettlingFrames = 3;

struct State {
    int64_t intervalNs = 1'000'000'000 / kDefaultRefreshHz;
    int64_t lastNs = -intervalNs;
    bool waiting = false; // a frame is held back by the rate limit
    int wanted = kSettlingFrames;
    bool inFrame = false;
    uint64_t shownVersion = ~0ull;
    size_t layers = 0;
    // Where SIGUSR1 asks the surface to be written (TARVEL_SURFACE_PNG), for the end-to-end checks.
    std::string dumpPath;
    std::string notice; // shown over the view (SetWindowNotice)
};

State s;
volatile std::sig_atomic_t dumpAsked = 0;

// The notice, in a dark box over the top of the view, taking no input.
void DrawNotice() {
    if (s.notice.empty()) return;
    ViewPlace place = CurrentViewPlace();
    float k = static_cast<float>(place.scale);
    ImGui::SetNextWindowPos(ImVec2(place.x + kScreenWidth * k * 0.5f, place.y + 24 * k), ImGuiCond_Always,
                            ImVec2(0.5f, 0));
    ImGui::SetNextWindowBgAlpha(0.75f);
    ImGuiWindowFlags flags = ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoInputs |
                             ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoSavedSettings |
                             ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoNav;
    if (ImGui::Begin("##notice", nullptr, flags)) ImGui::TextUnformatted(s.notice.c_str());
    ImGui::End();
}

// One frame: ImGui runs when the menu bar or a layer may have changed, then the presenter sends
// what changed.
void Present() {
    Presenter& presenter = ThePresenter();
    bool modal = core::ModalUp();
    s.inFrame = true;
    ImDrawData* ui = nullptr;
    // A notice is drawn over the view in every frame: the view changing under it would cover it.
    if (s.wanted > 0 || MenuOpen() || modal || presenter.NeedsUiEveryFrame() || !s.notice.empty()) {
        ImGui_ImplSDLRenderer_NewFrame();
        ImGui_ImplSDL2_NewFrame();
        ImGuiIO& io = ImGui::GetIO();
        // The back end reads the pointer from the desktop-wide state, which some X servers (Xvfb,
        // VNC) refresh only on raw device events: a dragged track bar would stand still. The
        // window's own motion events are always current.
        if (ImGui::IsMousePosValid(&io.MousePos)) {
            int mx = 0, my = 0;
            SDL_GetMouseState(&mx, &my);
            io.MousePos = ImVec2(static_cast<float>(mx), static_cast<float>(my));
        }
        // Keyboard navigation only inside modal layers (the menu bar keeps its own); otherwise keys
        // belong to the game.
        if (modal)
            io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
        else
            io.ConfigFlags &= ~ImGuiConfigFlags_NavEnableKeyboard;
        ImGui::NewFrame();
        DrawMenuBar(!modal);
        DrawNotice();
        const auto& layers = core::ModalLayers();
        for (size_t i = 0; i < layers.size(); ++i) {
            bool topLayer = i + 1 == layers.size();
            if (!topLayer) ImGui::BeginDisabled();
            if (layers[i]) layers[i](topLayer);
            if (!topLayer) ImGui::EndDisabled();
        }
        ImGui::Render();
        ui = ImGui::GetDrawData();
    }
    Handle surface = core::WindowSurface();
    const Colour* view = SurfacePixels(surface);
    s.shownVersion = SurfaceVersion(surface);
    presenter.Show(view, view ? TakeSurfaceChanges(surface) : std::vector<PixelRect>{}, ui, modal,
                   CurrentViewPlace());
    s.inFrame = false;
    FrameShown();
    if (InputWaitingForFrame()) s.wanted = std::max(s.wanted, 1);
}

void PresentNowIfDue() {
    if (!HaveWindow() || s.inFrame) return;
    // A layer came or went: ImGui settles over the next frames.
    if (core::ModalLayers().size() != s.layers) {
        s.layers = core::ModalLayers().size();
        WantFrames();
    }
    Handle surface = core::WindowSurface();
    bool changed = SurfacePixels(surface) && SurfaceVersion(surface) != s.shownVersion;
    if (!changed && s.wanted <= 0) {
        s.waiting = false;
        return;
    }
    int64_t now = NowNs();
    if (now - s.lastNs < s.intervalNs) {
        s.waiting = true;
        return;
    }
    s.waiting = false;
    if (SDL_GetWindowFlags(Window()) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) {
        s.wanted = 0; // nothing shows; shown again, the window asks for frames anew
        return;
    }
    s.lastNs = now;
    if (s.wanted > 0) --s.wanted;
    Present();
}

} // namespace

bool InFrame() {
    return s.inFrame;
}

void WantFrames() {
    s.wanted = kSettlingFrames;
}

bool NextFrameTime(int64_t& atNs) {
    if (!s.waiting && s.wanted <= 0) return false;
    atNs = s.lastNs + s.intervalNs;
    return true;
}

void SetNotice(const char* text) {
    if (s.notice == text) return;
    s.notice = text;
    WantFrames();
}

int64_t FrameIntervalNs() {
    return s.intervalNs;
}

void ResetFrames(int refreshHz) {
    s = State{};
    if (refreshHz >= 30) s.intervalNs = 1'000'000'000 / refreshHz;
    s.lastNs = -s.intervalNs;
    if (const char* dump = SDL_getenv("TARVEL_SURFACE_PNG"); dump && *dump) {
        s.dumpPath = dump;
        std::signal(SIGUSR1, [](int) { dumpAsked = 1; });
    }
}

} // namespace sdl

namespace backend {

void PresentIfDue() {
    sdl::PresentNowIfDue();
    if (!sdl::dumpAsked) return;
    sdl::dumpAsked = 0;
    Handle surface = core::WindowSurface();
    if (!surface || sdl::s.dumpPath.empty()) return;
    // What is written is what the frame just presented shows: the two are the same moment.
    std::string partial = sdl::s.dumpPath + ".part";
    if (WriteSurfacePng(surface, partial.c_str())) std::rename(partial.c_str(), sdl::s.dumpPath.c_str());
}

} // namespace backend
} // namespace plat
