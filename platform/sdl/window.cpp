// The real window: SDL2, the surface scaled by a whole factor (present.h), the menu bar and modal
// layers drawn by Dear ImGui, and the message queue fed from SDL events.
#include "platform/window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <backends/imgui_impl_sdl.h>
#include <backends/imgui_impl_sdlrenderer.h>
#include <imgui.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/gamepads.h"
#include "platform/sdl/keymap.h"
#include "platform/sdl/menubar.h"
#include "platform/sdl/present.h"
#include "platform/sdl/runtime.h"
#include "platform/surface.h"
#include "platform/window_settings.h"

namespace plat {
namespace {

constexpr Handle kMainWindow = 1;
// No more presents a second than the display shows (60 where it does not say); a present never
// holds up a tick. The worms' trails build up in the surface, so a tick that is not presented loses
// nothing: the next present shows it.
constexpr int kDefaultRefreshHz = 60;
// SDL looks for events at least this often even when the X connection is quiet.
constexpr int64_t kQuietPumpNs = 50'000'000;
// After input, ImGui gets a few frames to settle (popups appear a frame after they open).
constexpr int kFramesAfterInput = 3;

struct Icon {
    int width, height;
    std::vector<uint32_t> rgba;
};

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
    std::unique_ptr<sdl::Presenter> presenter;
    ImGuiRuntime imgui;
    sdl::ViewPlace place;
    int menuHeight = 0;
    Display* x11 = nullptr; // the X server's connection, when SDL talks to one
    WindowSettings normal;  // the window neither maximised nor fullscreen, for the next run
};

struct State {
    std::map<std::string, WindowClass> classes;
    std::map<std::string, std::vector<MenuItem>> menus;
    std::map<std::string, Icon> icons;
    std::unique_ptr<Video> video;
    WindowProc proc = nullptr;
    Handle surface = 0;
    uint64_t shownVersion = ~0ull;
    std::deque<Message> queue;
    bool quitPosted = false;
    int quitCode = 0;
    // Shown or restored and not painted since: a paint goes out once the queue is empty.
    bool paintPending = false;
    bool wasMinimised = false;
    int64_t frameIntervalNs = 1'000'000'000 / kDefaultRefreshHz;
    int64_t lastPresentNs = -frameIntervalNs;
    bool presentWaiting = false;
    int framesWanted = kFramesAfterInput;
    bool inFrame = false;
    std::vector<std::function<void()>> layers; // innermost last
    // ImGui of this vintage reads keys as held or not once a frame, so a tap whose press and
    // release arrive between two frames would vanish, and so would the second of two quick
    // presses (a release and a press between two frames leave it held): a key's next change, and
    // every event after it, waits for the next frame.
    std::vector<SDL_Scancode> changedSinceFrame;
    std::deque<SDL_Event> waitingForFrame;
    int64_t lastPumpNs = 0;
    bool (*keyClaim)(int key) = nullptr; // the game's: is this key a player's?
    // Where SIGUSR1 asks the surface to be written (TARVEL_SURFACE_PNG), for the end-to-end checks.
    std::string surfaceDumpPath;
};

State& S() {
    static State state;
    return state;
}

volatile std::sig_atomic_t surfaceDumpAsked = 0;

bool Modal() {
    return !S().layers.empty();
}

void Post(Msg msg, intptr_t first, intptr_t second) {
    S().queue.push_back({kMainWindow, msg, first, second});
}

void PostCommand(int command) {
    Post(Msg::Command, command, 0);
}

// The smallest window: the view at scale 1 under the menu bar at scale 1.
SDL_Point SmallestWindow() {
    return {kScreenWidth, kScreenHeight + sdl::MenuBarHeight(1)};
}

// The largest whole factor at which the view and the menu bar over it fit w x h pixels (at least 1).
int FitScale(int w, int h) {
    int k = 1;
    while (kScreenWidth * (k + 1) <= w && kScreenHeight * (k + 1) + sdl::MenuBarHeight(k + 1) <= h) ++k;
    return k;
}

// The view at the largest factor that fits below the menu bar, centred on black; the menu bar and
// the dialogs at the same factor.
void PlaceView(Video& v) {
    int w = 0, h = 0;
    SDL_GetWindowSize(v.window.get(), &w, &h);
    int k = FitScale(w, h);
    v.place.scale = k;
    if (sdl::UiScale() != 0) sdl::ScaleUi(k);
    v.menuHeight = sdl::MenuBarHeight(k);
    v.place.x = std::max(0, (w - kScreenWidth * k) / 2);
    v.place.y = v.menuHeight + std::max(0, (h - v.menuHeight - kScreenHeight * k) / 2);
}

// Where the window sits and how large it is when neither maximised nor fullscreen, kept for the
// next run.
void NoteNormalGeometry(Video& v) {
    if (SDL_GetWindowFlags(v.window.get()) &
        (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED))
        return;
    SDL_GetWindowPosition(v.window.get(), &v.normal.x, &v.normal.y);
    SDL_GetWindowSize(v.window.get(), &v.normal.width, &v.normal.height);
    v.normal.placed = true;
}

void ToggleFullscreen(Video& v) {
    bool full = SDL_GetWindowFlags(v.window.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (!full) NoteNormalGeometry(v);
    SDL_SetWindowFullscreen(v.window.get(), full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    PlaceView(v);
    v.presenter->Invalidate();
}

// --- presenting ---------------------------------------------------------------------------------

// One frame: ImGui runs when the menu bar or a layer may have changed, then the presenter sends
// what changed.
void Present() {
    State& s = S();
    Video& v = *s.video;
    s.inFrame = true;
    ImDrawData* ui = nullptr;
    if (s.framesWanted > 0 || sdl::MenuOpen() || Modal() || v.presenter->NeedsUiEveryFrame()) {
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
        if (Modal())
            io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
        else
            io.ConfigFlags &= ~ImGuiConfigFlags_NavEnableKeyboard;
        ImGui::NewFrame();
        sdl::DrawMenuBar(!Modal(), PostCommand);
        for (size_t i = 0; i < s.layers.size(); ++i) {
            bool topLayer = i + 1 == s.layers.size();
            if (!topLayer) ImGui::BeginDisabled();
            s.layers[i]();
            if (!topLayer) ImGui::EndDisabled();
        }
        ImGui::Render();
        ui = ImGui::GetDrawData();
    }
    const Colour* view = SurfacePixels(s.surface);
    s.shownVersion = SurfaceVersion(s.surface);
    v.presenter->Show(view, view ? TakeSurfaceChanges(s.surface) : std::vector<PixelRect>{}, ui, Modal(),
                      v.place);
    s.inFrame = false;
    s.changedSinceFrame.clear();
    if (!s.waitingForFrame.empty()) s.framesWanted = std::max(s.framesWanted, 1);
}

// When the loop wakes next: at the next tick, or when a frame held back by the rate limit may go,
// unless a tick comes within a frame of that: then the frame goes out right after the tick, one
// wake-up instead of two.
int64_t NextWake(int64_t limitNs) {
    State& s = S();
    int64_t wake = sdl::NowNs() + limitNs;
    int64_t tick = 0, frame = 0;
    bool ticking = sdl::NextTimerDeadline(tick);
    if (ticking) wake = std::min(wake, tick);
    if (sdl::NextPresentTime(frame) && !(ticking && tick <= frame + s.frameIntervalNs))
        wake = std::min(wake, frame);
    return wake;
}

void DumpSurfaceIfAsked() {
    State& s = S();
    if (!surfaceDumpAsked) return;
    surfaceDumpAsked = 0;
    if (!s.surface || s.surfaceDumpPath.empty()) return;
    // What is written is what the next present shows: present now, so the two are the same moment.
    sdl::PresentIfDue();
    std::string partial = s.surfaceDumpPath + ".part";
    if (WriteSurfacePng(s.surface, partial.c_str())) std::rename(partial.c_str(), s.surfaceDumpPath.c_str());
}

// --- events -------------------------------------------------------------------------------------

bool ToClient(int wx, int wy, int& x, int& y) {
    const sdl::ViewPlace& place = S().video->place;
    int cx = wx - place.x, cy = wy - place.y;
    if (cx < 0 || cy < 0) return false;
    x = cx / place.scale;
    y = cy / place.scale;
    return x < kScreenWidth && y < kScreenHeight;
}

// A key already pressed since the last frame changes again: ImGui must see a frame in between.
bool MustWaitForFrame(const SDL_Event& e) {
    State& s = S();
    if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) return false;
    if (!Modal()) return false;
    return std::find(s.changedSinceFrame.begin(), s.changedSinceFrame.end(), e.key.keysym.scancode) !=
           s.changedSinceFrame.end();
}

void HandleWindowEvent(const SDL_WindowEvent& e) {
    State& s = S();
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
        Post(Msg::Close, 0, 0);
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        s.wasMinimised = true;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (s.wasMinimised) {
            s.wasMinimised = false;
            s.paintPending = true;
        }
        s.video->presenter->Invalidate();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        PlaceView(*s.video);
        NoteNormalGeometry(*s.video);
        s.video->presenter->Invalidate();
        break;
    case SDL_WINDOWEVENT_MOVED:
        NoteNormalGeometry(*s.video);
        break;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_EXPOSED:
        s.video->presenter->Invalidate();
        break;
    default:
        break;
    }
}

// Keys the window keeps for itself: Alt+Enter, and F11 unless a player has it, toggle fullscreen.
bool WindowKey(const SDL_KeyboardEvent& key) {
    SDL_Scancode code = key.keysym.scancode;
    bool altEnter =
        (key.keysym.mod & KMOD_ALT) && (code == SDL_SCANCODE_RETURN || code == SDL_SCANCODE_KP_ENTER);
    bool f11 = code == SDL_SCANCODE_F11 && !(S().keyClaim && S().keyClaim(sdl::VirtualKey(code)));
    if (!altEnter && !f11) return false;
    if (!key.repeat) ToggleFullscreen(*S().video);
    return true;
}

void HandleEvent(const SDL_Event& e) {
    State& s = S();
    bool uiKeys = Modal();
    switch (e.type) {
    case SDL_QUIT:
        Post(Msg::Close, 0, 0);
        return;
    case SDL_WINDOWEVENT:
        ImGui_ImplSDL2_ProcessEvent(&e);
        HandleWindowEvent(e.window);
        return;
    case SDL_KEYDOWN:
        if (WindowKey(e.key)) return;
        if (uiKeys) {
            ImGui_ImplSDL2_ProcessEvent(&e);
            s.changedSinceFrame.push_back(e.key.keysym.scancode);
            return;
        }
        if (sdl::MenuKey(e.key, PostCommand)) return;
        if (int vk = sdl::VirtualKey(e.key.keysym.scancode)) Post(Msg::KeyDown, vk, 0);
        return;
    case SDL_KEYUP:
        ImGui_ImplSDL2_ProcessEvent(&e); // in every mode, so ImGui never sees a key stuck down
        if (uiKeys) s.changedSinceFrame.push_back(e.key.keysym.scancode);
        return;
    case SDL_TEXTINPUT:
        if (uiKeys) {
            ImGui_ImplSDL2_ProcessEvent(&e);
            return;
        }
        if (sdl::MenuOpen()) return;
        for (const char* c = e.text.text; *c; ++c)
            if (static_cast<unsigned char>(*c) < 128) Post(Msg::Char, *c, 0);
        return;
    case SDL_MOUSEBUTTONDOWN: {
        ImGui_ImplSDL2_ProcessEvent(&e);
        int x, y;
        // A click that closes an open menu, or lands under a modal layer, is not the game's.
        if (sdl::MenuOpen() || Modal() || !ToClient(e.button.x, e.button.y, x, y)) return;
        if (e.button.button == SDL_BUTTON_LEFT) Post(Msg::LeftDown, 0, PackPoint(x, y));
        if (e.button.button == SDL_BUTTON_RIGHT) Post(Msg::RightDown, 0, PackPoint(x, y));
        return;
    }
    case SDL_MOUSEMOTION: {
        ImGui_ImplSDL2_ProcessEvent(&e);
        int x, y;
        if (Modal() || !ToClient(e.motion.x, e.motion.y, x, y)) return;
        // Only the latest position matters; a backlog of moves is folded into one.
        if (!s.queue.empty() && s.queue.back().msg == Msg::MouseMove)
            s.queue.back().second = PackPoint(x, y);
        else
            Post(Msg::MouseMove, 0, PackPoint(x, y));
        return;
    }
    default:
        ImGui_ImplSDL2_ProcessEvent(&e);
        return;
    }
}

// --- creating the window ------------------------------------------------------------------------

// The largest whole factor at which the window fits the desktop with room to spare.
int ChooseScale() {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 1;
        usable = {0, 0, mode.w, mode.h};
    }
    return FitScale(usable.w * 9 / 10, usable.h * 85 / 100);
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
    State& s = S();
    auto icon = s.icons.find(iconName ? iconName : "");
    if (icon == s.icons.end()) return;
    SDL_Surface* pixels =
        SDL_CreateRGBSurfaceWithFormatFrom(icon->second.rgba.data(), icon->second.width, icon->second.height,
                                           32, icon->second.width * 4, SDL_PIXELFORMAT_RGBA32);
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
    sdl::ScaleUi(v.place.scale);
    v.imgui.sdl = ImGui_ImplSDL2_InitForSDLRenderer(v.window.get());
    v.imgui.renderer = ImGui_ImplSDLRenderer_Init(v.presenter->Renderer());
    return v.imgui.sdl && v.imgui.renderer;
}

bool CreateVideo(const char* title, const WindowClass& windowClass) {
    State& s = S();
    bool accelerated = sdl::WantAcceleratedPresenting();
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
    // Xlib's own answer to a lost X server is exit(), whose clean-up then waits forever on the dead
    // connection (or crashes beside the still mixing audio thread): leave at once instead. Set
    // before the window is made, so a display lost while the renderer starts is met the same way.
    if (driver && SDL_strcmp(driver, "x11") == 0)
        XSetIOErrorHandler([](Display*) -> int {
            static const char message[] = "tarvel4: the connection to the display is lost\n";
            ssize_t written = write(2, message, sizeof message - 1);
            (void)written;
            _exit(1);
        });
    // As the player left it last time, else the largest whole factor that fits the desktop.
    WindowSettings saved = LoadWindowSettings();
    int scale = ChooseScale();
    int width = kScreenWidth * scale, height = kScreenHeight * scale + sdl::MenuBarHeight(scale);
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
    v->presenter = sdl::Presenter::Create(v->window.get(), accelerated);
    if (!v->presenter) {
        std::fprintf(stderr, "tarvel4: no renderer: %s\n", SDL_GetError());
        return false;
    }
    PlaceView(*v);
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (SDL_GetWindowWMInfo(v->window.get(), &wm) && wm.subsystem == SDL_SYSWM_X11) {
        v->x11 = wm.info.x11.display;
    }
    SDL_DisplayMode mode;
    if (SDL_GetWindowDisplayMode(v->window.get(), &mode) == 0 && mode.refresh_rate >= 30)
        s.frameIntervalNs = 1'000'000'000 / mode.refresh_rate;
    SetWindowIcon(v->window.get(), windowClass.icon);
    if (!StartImGui(*v)) {
        std::fprintf(stderr, "tarvel4: ImGui could not start\n");
        return false;
    }
    if (const char* dump = SDL_getenv("TARVEL_SURFACE_PNG"); dump && *dump) {
        s.surfaceDumpPath = dump;
        std::signal(SIGUSR1, [](int) { surfaceDumpAsked = 1; });
    }
    s.video = std::move(v);
    return true;
}

} // namespace

// --- resources and the window class ---------------------------------------------------------------

void RegisterMenuResource(const char* name, const MenuItem* items, int count) {
    if (!name || !items || count < 0) return;
    S().menus[name] = std::vector<MenuItem>(items, items + count);
}

void RegisterIconResource(const char* name, int width, int height, const uint32_t* rgba) {
    if (!name || !rgba || width <= 0 || height <= 0) return;
    S().icons[name] = {width, height,
                       std::vector<uint32_t>(rgba, rgba + static_cast<size_t>(width) * height)};
}

bool RegisterWindowClass(const WindowClass& windowClass) {
    if (!windowClass.className || !windowClass.proc) return false;
    S().classes[windowClass.className] = windowClass;
    return true;
}

void UnregisterWindowClass(const char* className, Handle) {
    S().classes.erase(className ? className : "");
}

Handle CreateMainWindow(const char* className, const char* title, int clientWidth, int clientHeight) {
    State& s = S();
    auto it = s.classes.find(className ? className : "");
    if (it == s.classes.end() || s.video) return 0;
    if (clientWidth != kScreenWidth || clientHeight != kScreenHeight) return 0;
    if (!CreateVideo(title ? title : "", it->second)) return 0;
    sdl::StartGamepads([](int code) { Post(Msg::KeyDown, code, 0); });
    auto menu = s.menus.find(it->second.menu ? it->second.menu : "");
    if (menu != s.menus.end())
        sdl::BuildMenuBar(menu->second.data(), static_cast<int>(menu->second.size()));
    else
        sdl::BuildMenuBar(nullptr, 0);
    s.proc = it->second.proc;
    s.proc(kMainWindow, Msg::Create, 0, 0);
    return kMainWindow;
}

void ShowWindow(Handle window, int showState) {
    State& s = S();
    if (window != kMainWindow || !s.video) return;
    SDL_Window* w = s.video->window.get();
    // The platform's show states: 0 hide, 2/6/7 minimised, 9 restore, anything else shown.
    switch (showState) {
    case 0:
        SDL_HideWindow(w);
        break;
    case 2:
    case 6:
    case 7:
        SDL_ShowWindow(w);
        SDL_MinimizeWindow(w);
        break;
    case 9:
        SDL_ShowWindow(w);
        SDL_RestoreWindow(w);
        break;
    default:
        SDL_ShowWindow(w);
        break;
    }
    if (showState != 0) s.paintPending = true;
    s.video->presenter->Invalidate();
    s.framesWanted = kFramesAfterInput;
}

bool IsMinimised(Handle window) {
    State& s = S();
    if (window != kMainWindow || !s.video) return false;
    SDL_PumpEvents();
    return (SDL_GetWindowFlags(s.video->window.get()) & SDL_WINDOW_MINIMIZED) != 0;
}

void RestoreWindow(Handle window) {
    State& s = S();
    if (window != kMainWindow || !s.video) return;
    SDL_RestoreWindow(s.video->window.get());
    s.framesWanted = kFramesAfterInput;
}

Handle AcquireWindowSurface(Handle window) {
    State& s = S();
    if (window != kMainWindow || !s.video) return 0;
    if (!s.surface) s.surface = CreateSurface(kScreenWidth, kScreenHeight);
    s.shownVersion = ~0ull;
    s.video->presenter->Invalidate();
    return s.surface;
}

void ReleaseWindowSurface(Handle, Handle surface) {
    State& s = S();
    // The window keeps showing the last frame presented.
    if (surface && surface == s.surface) s.surface = 0;
    DestroySurface(surface);
}

// --- the message loop -----------------------------------------------------------------------------

bool NextMessage(Message& message) {
    State& s = S();
    if (!s.video) {
        message = {0, Msg::Other, s.quitPosted ? s.quitCode : 0, 0};
        return false;
    }
    for (;;) {
        // Input that arrives during a tick wakes the wait below at once, so one look for events a
        // turn is enough.
        sdl::PumpEvents();
        sdl::RunDueTimer();
        sdl::PresentIfDue();
        DumpSurfaceIfAsked();
        if (!s.queue.empty()) {
            message = s.queue.front();
            s.queue.pop_front();
            return true;
        }
        if (s.quitPosted) {
            s.quitPosted = false;
            message = {0, Msg::Other, s.quitCode, 0};
            return false;
        }
        if (s.paintPending) {
            s.paintPending = false;
            message = {kMainWindow, Msg::Paint, 0, 0};
            return true;
        }
        sdl::WaitUntil(NextWake(250'000'000), true);
    }
}

intptr_t DispatchMessage(const Message& message) {
    State& s = S();
    if (!s.proc || message.window != kMainWindow) return 0;
    return s.proc(message.window, message.msg, message.first, message.second);
}

void PostQuit(int exitCode) {
    S().quitPosted = true;
    S().quitCode = exitCode;
}

void PostToWindow(Handle window, Msg msg, intptr_t first, intptr_t second) {
    if (window == kMainWindow) S().queue.push_back({window, msg, first, second});
}

void RequestPaint(Handle window) {
    PostToWindow(window, Msg::Paint, 0, 0);
}

void InvalidateWindow(Handle window) {
    if (window == kMainWindow) S().paintPending = true;
}

intptr_t DefaultWindowProc(Handle, Msg, intptr_t, intptr_t) {
    return 0;
}

// --- the frame runtime shared with the message box and dialogs ------------------------------------

namespace sdl {

bool HaveWindow() {
    return S().video != nullptr;
}

bool InFrame() {
    return S().inFrame;
}

int DisplayConnection() {
    return S().video && S().video->x11 ? XConnectionNumber(S().video->x11) : -1;
}

// Whether SDL should look for events now. Each look reads the X connection and the session bus
// several times over; on a quiet X connection once every kQuietPumpNs does (the bus, and SDL's
// own bookkeeping). Controllers are read apart from this (UpdateGamepads).
static bool PumpDue() {
    State& s = S();
    if (!s.video->x11 || EventsWaiting()) return true;
    if (NowNs() - s.lastPumpNs >= kQuietPumpNs) return true;
    pollfd watch{XConnectionNumber(s.video->x11), POLLIN, 0};
    return poll(&watch, 1, 0) != 0;
}

bool EventsWaiting() {
    State& s = S();
    // Xlib may have read events off the connection already (while waiting for a reply).
    if (s.video && s.video->x11 && XEventsQueued(s.video->x11, QueuedAlready) > 0) return true;
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

ViewPlace CurrentViewPlace() {
    return S().video ? S().video->place : ViewPlace{};
}

SDL_Renderer* UiRenderer() {
    return S().video ? S().video->presenter->Renderer() : nullptr;
}

void PumpEvents() {
    State& s = S();
    if (!s.video) return;
    // Once one event waits for a frame, all later ones wait behind it, in order.
    std::deque<SDL_Event> earlier;
    earlier.swap(s.waitingForFrame);
    auto take = [&](const SDL_Event& e) {
        if (!s.waitingForFrame.empty() || MustWaitForFrame(e))
            s.waitingForFrame.push_back(e);
        else
            HandleEvent(e);
    };
    for (const SDL_Event& e : earlier) take(e);
    UpdateGamepads();
    if (PumpDue()) {
        SDL_PumpEvents();
        s.lastPumpNs = NowNs();
    }
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        // Controllers press keys only when keys are the game's; they never need a frame of their own.
        if (TakeGamepadEvent(e, !MenuOpen() && !Modal())) continue;
        take(e);
        s.framesWanted = kFramesAfterInput;
    }
}

void PresentIfDue() {
    State& s = S();
    if (!s.video || s.inFrame) return;
    bool changed = SurfacePixels(s.surface) && SurfaceVersion(s.surface) != s.shownVersion;
    if (!changed && s.framesWanted <= 0) {
        s.presentWaiting = false;
        return;
    }
    int64_t now = NowNs();
    if (now - s.lastPresentNs < s.frameIntervalNs) {
        s.presentWaiting = true;
        return;
    }
    if (SDL_GetWindowFlags(s.video->window.get()) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) {
        s.presentWaiting = false;
        return;
    }
    s.presentWaiting = false;
    s.lastPresentNs = now;
    if (s.framesWanted > 0) --s.framesWanted;
    Present();
}

bool NextPresentTime(int64_t& atNs) {
    State& s = S();
    if (!s.presentWaiting) return false;
    atNs = s.lastPresentNs + s.frameIntervalNs;
    return true;
}

void SetKeyClaim(bool (*claimed)(int key)) {
    S().keyClaim = claimed;
}

void Shutdown() {
    State& s = S();
    if (s.video) {
        Video& v = *s.video;
        NoteNormalGeometry(v);
        WindowSettings last = v.normal;
        Uint32 flags = SDL_GetWindowFlags(v.window.get());
        last.maximised = flags & SDL_WINDOW_MAXIMIZED;
        last.fullscreen = (flags & SDL_WINDOW_FULLSCREEN_DESKTOP) == SDL_WINDOW_FULLSCREEN_DESKTOP;
        SaveWindowSettings(last); // a window that cannot be remembered is the default one next time
    }
    s.layers.clear();
    if (s.surface) DestroySurface(s.surface);
    s.surface = 0;
    StopGamepads();
    s.video.reset();
    ForgetUi();
}

ModalLayer::ModalLayer(std::function<void()> draw) : index(static_cast<int>(S().layers.size())) {
    S().layers.push_back(std::move(draw));
    S().framesWanted = kFramesAfterInput;
}

ModalLayer::~ModalLayer() {
    // Layers nest: the one going is always the innermost.
    State& s = S();
    if (index < static_cast<int>(s.layers.size())) s.layers.resize(index);
    s.framesWanted = kFramesAfterInput;
}

void ModalFrame() {
    PumpEvents();
    RunDueTimer();
    PresentIfDue();
    int64_t wake = NextWake(100'000'000);
    // ImGui needs its settling frames promptly after input.
    if (S().framesWanted > 0) wake = std::min(wake, S().lastPresentNs + S().frameIntervalNs);
    WaitUntil(wake, true);
}

} // namespace sdl
} // namespace plat
