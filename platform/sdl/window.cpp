// The real window: made with SDL2 and kept here with its geometry (size, place, maximised,
// fullscreen, window.cfg), the presenter behind it and ImGui's context.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <backends/imgui_impl_sdl.h>
#include <backends/imgui_impl_sdlrenderer.h>
#include <imgui.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/core/window_runtime.h"
#include "platform/sdl/gamepads.h"
#include "platform/sdl/menubar.h"
#include "platform/sdl/present.h"
#include "platform/sdl/runtime.h"
#include "platform/window_settings.h"

namespace plat {
namespace sdl {
namespace {

constexpr int kDefaultRefreshHz = 60;

// --- RAII owners of the SDL and ImGui handles ---------------------------------------------------

struct SdlVideo {
    bool ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    ~SdlVideo() {
        if (ok) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

struct WindowDeleter {
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};

struct ImGuiRuntime {
    bool context = false, sdl = false, renderer = false;
    ~ImGuiRuntime() {
        if (renderer) ImGui_ImplSDLRenderer_Shutdown();
        if (sdl) ImGui_ImplSDL2_Shutdown();
        if (context) ImGui::DestroyContext();
    }
};

// The window and everything drawn into it; members are torn down in reverse order.
struct Video {
    SdlVideo sdlVideo;
    std::unique_ptr<SDL_Window, WindowDeleter> window;
    std::unique_ptr<Presenter> presenter;
    ImGuiRuntime imgui;
    ViewPlace place;
    Display* x11 = nullptr; // the X server's connection, when SDL talks to one
    ::Window x11Window = 0; // the window there
    WindowSettings normal;  // the window neither maximised nor fullscreen, for the next run
    bool maximisedUnderFullscreen = false;
    bool minimised = false;
};

std::unique_ptr<Video> video;

Uint32 Flags() {
    return SDL_GetWindowFlags(video->window.get());
}

bool Fullscreen() {
    return (Flags() & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
}

// The smallest window: the view at scale 1 under the menu bar at scale 1.
SDL_Point SmallestWindow() {
    return {kScreenWidth, kScreenHeight + view::MenuBarHeight(1)};
}

// The view at the largest factor that fits below the menu bar, centred on black; the menu bar and
// the dialogs at the same factor.
void PlaceView() {
    int w = 0, h = 0;
    SDL_GetWindowSize(video->window.get(), &w, &h);
    video->place = view::PlaceIn(w, h);
    if (UiScale() != 0) ScaleUi(video->place.scale);
    video->presenter->Invalidate();
}

// Where the window sits and how large it is when neither maximised nor fullscreen, kept for the
// next run. The place is the frame's, which the window manager decorates it with: a window is
// asked for by its frame's place, and asking for the inside's would creep by the frame each run.
void NoteNormalGeometry() {
    if (Flags() &
        (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED))
        return;
    WindowSettings& n = video->normal;
    SDL_GetWindowPosition(video->window.get(), &n.x, &n.y);
    int top = 0, left = 0;
    if (SDL_GetWindowBordersSize(video->window.get(), &top, &left, nullptr, nullptr) == 0) {
        n.x -= left;
        n.y -= top;
    }
    SDL_GetWindowSize(video->window.get(), &n.width, &n.height);
    n.placed = true;
}

// The largest whole factor at which the window fits the desktop with room to spare.
int ChooseScale() {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 1;
        usable = {0, 0, mode.w, mode.h};
    }
    return view::FitScale(usable.w * 9 / 10, usable.h * 85 / 100);
}

// Whether a saved place still lies on one of the displays (a monitor may have gone since).
bool OnSomeDisplay(int x, int y) {
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        SDL_Point corner{x + 40, y + 20}; // some of the title bar, not just its first pixel
        if (SDL_GetDisplayBounds(i, &bounds) == 0 && SDL_PointInRect(&corner, &bounds)) return true;
    }
    return false;
}

void SetWindowIcon(SDL_Window* window, const char* iconName) {
    const core::Icon* icon = core::FindIcon(iconName);
    if (!icon) return;
    SDL_Surface* pixels =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon->rgba.data()), icon->width,
                                           icon->height, 32, icon->width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!pixels) return;
    SDL_SetWindowIcon(window, pixels);
    SDL_FreeSurface(pixels);
}

bool StartImGui(Video& v) {
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    v.imgui.context = true;
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr; // nothing is written next to the game's own files
    io.LogFilename = nullptr;
    ScaleUi(v.place.scale);
    v.imgui.sdl = ImGui_ImplSDL2_InitForSDLRenderer(v.window.get());
    v.imgui.renderer = ImGui_ImplSDLRenderer_Init(v.presenter->Renderer());
    return v.imgui.sdl && v.imgui.renderer;
}

// The lost display ends the game at once. Xlib's own answer is exit(), whose clean-up then waits
// forever on the dead connection (or crashes beside the still mixing audio thread).
int DisplayLost(Display*) {
    static const char message[] = "tarvel4: the connection to the display is lost\n";
    ssize_t written = write(2, message, sizeof message - 1);
    (void)written;
    _exit(1);
}

bool CreateVideo(const char* title, const WindowClass& windowClass) {
    bool accelerated = WantAcceleratedPresenting();
    // Without acceleration the window's pixels go straight to the display (shared memory on X11)
    // rather than through SDL's own texture, which would be software OpenGL again.
    if (!accelerated) SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_OVERRIDE);
    auto v = std::make_unique<Video>();
    if (!v->sdlVideo.ok) {
        std::fprintf(stderr, "tarvel4: no video: %s\n", SDL_GetError());
        return false;
    }
    // Without a display SDL falls back to drivers that show nothing: the game would run on
    // unseen and never end. Only someone who asks for such a driver gets it.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && !SDL_getenv("SDL_VIDEODRIVER") &&
        (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0)) {
        std::fprintf(stderr, "tarvel4: no display to open a window on (SDL offers only \"%s\")\n", driver);
        return false;
    }
    // Set before the window is made, so a display lost while the renderer starts is met the same way.
    if (driver && SDL_strcmp(driver, "x11") == 0) XSetIOErrorHandler(DisplayLost);
    // As the player left it last time, else the largest whole factor that fits the desktop.
    WindowSettings saved = LoadWindowSettings();
    int scale = ChooseScale();
    int width = kScreenWidth * scale, height = kScreenHeight * scale + view::MenuBarHeight(scale);
    const SDL_Point smallest = SmallestWindow();
    if (saved.width > 0 && saved.height > 0) {
        width = std::max(saved.width, smallest.x);
        height = std::max(saved.height, smallest.y);
    }
    int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED;
    if (saved.placed && OnSomeDisplay(saved.x, saved.y)) x = saved.x, y = saved.y;
    Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
    if (saved.maximised) flags |= SDL_WINDOW_MAXIMIZED;
    if (saved.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    v->window.reset(SDL_CreateWindow(title, x, y, width, height, flags));
    if (!v->window) {
        std::fprintf(stderr, "tarvel4: no window: %s\n", SDL_GetError());
        return false;
    }
    SDL_SetWindowMinimumSize(v->window.get(), smallest.x, smallest.y);
    v->normal = {saved.placed, saved.x, saved.y, width, height};
    v->maximisedUnderFullscreen = saved.fullscreen && saved.maximised;
    v->presenter = Presenter::Create(v->window.get(), accelerated);
    if (!v->presenter) {
        std::fprintf(stderr, "tarvel4: no renderer: %s\n", SDL_GetError());
        return false;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(v->window.get(), &w, &h);
    v->place = view::PlaceIn(w, h);
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    // After the presenter is made: SDL may have made the window again for its renderer.
    if (SDL_GetWindowWMInfo(v->window.get(), &wm) && wm.subsystem == SDL_SYSWM_X11) {
        v->x11 = wm.info.x11.display;
        v->x11Window = wm.info.x11.window;
    }
    SDL_DisplayMode mode;
    ResetFrames(SDL_GetWindowDisplayMode(v->window.get(), &mode) == 0 ? mode.refresh_rate
                                                                      : kDefaultRefreshHz);
    SetWindowIcon(v->window.get(), windowClass.icon);
    if (!StartImGui(*v)) {
        std::fprintf(stderr, "tarvel4: ImGui could not start\n");
        return false;
    }
    video = std::move(v);
    return true;
}

} // namespace

bool HaveWindow() {
    return video != nullptr;
}

SDL_Window* Window() {
    return video ? video->window.get() : nullptr;
}

Presenter& ThePresenter() {
    return *video->presenter;
}

Display* X11() {
    return video ? video->x11 : nullptr;
}

ViewPlace CurrentViewPlace() {
    return video ? video->place : ViewPlace{};
}

SDL_Renderer* UiRenderer() {
    return video ? video->presenter->Renderer() : nullptr;
}

void ToggleFullscreen() {
    if (!Fullscreen()) {
        // Leaving fullscreen gives back a plain window: a maximised one is maximised again after.
        video->maximisedUnderFullscreen = Flags() & SDL_WINDOW_MAXIMIZED;
        NoteNormalGeometry();
        SDL_SetWindowFullscreen(video->window.get(), SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(video->window.get(), 0);
        if (video->maximisedUnderFullscreen) SDL_MaximizeWindow(video->window.get());
        video->maximisedUnderFullscreen = false;
    }
    PlaceView();
}

void OnWindowEvent(const SDL_WindowEvent& e) {
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        core::PostInput(Msg::Close, 0, 0);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        video->minimised = true;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (video->minimised) core::NeedPaint();
        video->minimised = false;
        video->presenter->Invalidate();
        WantFrames();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        PlaceView();
        NoteNormalGeometry();
        break;
    case SDL_WINDOWEVENT_MOVED:
        NoteNormalGeometry();
        break;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_EXPOSED:
        video->presenter->Invalidate();
        WantFrames();
        break;
    default:
        break;
    }
}

} // namespace sdl

namespace backend {

bool OpenWindow(const char* title, const WindowClass& windowClass) {
    if (!sdl::CreateVideo(title, windowClass)) return false;
    sdl::StartGamepads([](int code) { core::PostInput(Msg::KeyDown, code, 0); });
    const std::vector<MenuItem>* menu = core::FindMenu(windowClass.menu);
    sdl::BuildMenuBar(menu ? menu->data() : nullptr, menu ? static_cast<int>(menu->size()) : 0);
    return true;
}

void ShowWindow(int showState) {
    SDL_Window* w = sdl::video->window.get();
    switch (showState) {
    case kHide:
        SDL_HideWindow(w);
        break;
    case kShowMinimised:
    case kMinimise:
    case kShowMinimisedNoActivate:
        SDL_ShowWindow(w);
        SDL_MinimizeWindow(w);
        break;
    case kRestore:
        SDL_ShowWindow(w);
        SDL_RestoreWindow(w);
        break;
    default:
        SDL_ShowWindow(w);
        break;
    }
    sdl::video->presenter->Invalidate();
    sdl::WantFrames();
}

bool IsMinimised() {
    SDL_PumpEvents();
    return (sdl::Flags() & SDL_WINDOW_MINIMIZED) != 0;
}

void RestoreWindow() {
    SDL_RestoreWindow(sdl::video->window.get());
    sdl::WantFrames();
}

void SetTitle(const char* title) {
    SDL_SetWindowTitle(sdl::video->window.get(), title);
}

void ShowNotice(const char* text) {
    sdl::SetNotice(text);
}

void ShowSurface(Handle) {
    sdl::video->presenter->Invalidate();
}

void CloseWindow() {
    sdl::Video& v = *sdl::video;
    sdl::NoteNormalGeometry();
    WindowSettings last = v.normal;
    last.fullscreen = sdl::Fullscreen();
    last.maximised =
        last.fullscreen ? v.maximisedUnderFullscreen : (sdl::Flags() & SDL_WINDOW_MAXIMIZED) != 0;
    SaveWindowSettings(last); // a window that cannot be remembered is the default one next time
    // SDL_DestroyWindow takes a mapped window off the screen and then waits, with no time limit,
    // for the X server's UnmapNotify. Withdrawn here and synced, the window is already unmapped
    // when SDL looks, so letting go of it waits only for replies to our own requests.
    if (v.x11) {
        XWithdrawWindow(v.x11, v.x11Window, DefaultScreen(v.x11));
        XSync(v.x11, False);
    }
    sdl::StopGamepads();
    sdl::video.reset();
    sdl::ForgetUi();
}

} // namespace backend
} // namespace plat
