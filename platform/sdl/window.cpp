// The real window: SDL2 with an OpenGL context, the surface shown as a texture scaled by a whole
// factor, the menu bar and modal layers drawn by Dear ImGui, and the message queue fed from SDL events.
#include "platform/window.h"

#include <GL/gl.h>
#include <SDL.h>
#include <backends/imgui_impl_opengl3.h>
#include <backends/imgui_impl_sdl.h>
#include <imgui.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/sdl/keymap.h"
#include "platform/sdl/runtime.h"
#include "platform/surface.h"

extern "C" const unsigned char tarvel_font_data[];
extern "C" const unsigned long long tarvel_font_size;

namespace plat {
namespace {

constexpr Handle kMainWindow = 1;
// No more presents a second than the display shows (60 where it does not say); a present never
// holds up a tick. The worms' trails build up in the surface, so a tick that is not presented loses
// nothing: the next present shows it.
constexpr int kDefaultRefreshHz = 60;
// After input, ImGui gets a few frames to settle (popups appear a frame after they open).
constexpr int kFramesAfterInput = 3;

struct Icon {
    int width, height;
    std::vector<uint32_t> rgba;
};

// One popup of the menu bar, its items and the letter Alt opens it with.
struct Popup {
    std::string label; // without '&'
    int mnemonic;      // index into label, -1 for none
    std::vector<MenuItem> items;
};

struct Label {
    std::string text;
    int mnemonic;
};

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

// --- RAII owners of the SDL, GL and ImGui handles -----------------------------------------------

struct SdlVideo {
    bool ok = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    ~SdlVideo() {
        if (ok) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
};

struct WindowDeleter {
    void operator()(SDL_Window* w) const { SDL_DestroyWindow(w); }
};

struct GlContext {
    SDL_GLContext context = nullptr;
    ~GlContext() {
        if (context) SDL_GL_DeleteContext(context);
    }
};

struct ImGuiRuntime {
    bool context = false, sdl = false, gl = false;
    ~ImGuiRuntime() {
        if (gl) ImGui_ImplOpenGL3_Shutdown();
        if (sdl) ImGui_ImplSDL2_Shutdown();
        if (context) ImGui::DestroyContext();
    }
};

struct Texture {
    GLuint id = 0;
    ~Texture() {
        if (id) glDeleteTextures(1, &id);
    }
};

// The window and everything drawn into it; members are torn down in reverse order.
struct Video {
    SdlVideo sdlVideo;
    std::unique_ptr<SDL_Window, WindowDeleter> window;
    GlContext gl;
    ImGuiRuntime imgui;
    Texture texture;
    int scale = 1;
    int menuHeight = 0;
};

struct State {
    std::map<std::string, WindowClass> classes;
    std::map<std::string, std::vector<MenuItem>> menus;
    std::map<std::string, Icon> icons;
    std::unique_ptr<Video> video;
    WindowProc proc = nullptr;
    std::vector<Popup> popups;
    Handle surface = 0;
    uint64_t uploadedVersion = ~0ull;
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
    bool menuOpen = false; // a menu popup was open in the last frame
    int openPopupRequest = -1;
    bool closeMenuRequest = false; // Escape in an open menu
    bool inFrame = false;
    std::vector<std::function<void()>> layers; // innermost last
    // ImGui of this vintage reads keys as held or not once a frame, so a tap whose press and
    // release arrive between two frames would vanish, and so would the second of two quick
    // presses (a release and a press between two frames leave it held): a key's next change, and
    // every event after it, waits for the next frame.
    std::vector<SDL_Scancode> changedSinceFrame;
    std::deque<SDL_Event> waitingForFrame;
};

State& S() {
    static State state;
    return state;
}

bool Modal() {
    return !S().layers.empty();
}

void Post(Msg msg, intptr_t first, intptr_t second) {
    S().queue.push_back({kMainWindow, msg, first, second});
}

// --- presenting ---------------------------------------------------------------------------------

void UploadSurface() {
    State& s = S();
    const Colour* pixels = SurfacePixels(s.surface);
    if (!pixels) return;
    uint64_t version = SurfaceVersion(s.surface);
    if (version == s.uploadedVersion) return;
    s.uploadedVersion = version;
    glBindTexture(GL_TEXTURE_2D, s.video->texture.id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    // 0x00BBGGRR is R, G, B, 0 in memory; the RGB texture drops that last byte and reads opaque.
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kScreenWidth, kScreenHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
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

void DrawMenuBar() {
    State& s = S();
    if (!ImGui::BeginMainMenuBar()) return;
    bool enabled = !Modal();
    float halfSpacing = std::floor(ImGui::GetStyle().ItemSpacing.x * 0.5f);
    for (int i = 0; i < static_cast<int>(s.popups.size()); ++i) {
        const Popup& popup = s.popups[i];
        if (s.openPopupRequest == i && enabled) ImGui::OpenPopup(ImGui::GetID(popup.label.c_str()));
        ImVec2 at = ImGui::GetCursorScreenPos();
        bool open = ImGui::BeginMenu(popup.label.c_str(), enabled);
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
                if (ImGui::MenuItem(label.text.c_str())) Post(Msg::Command, item.command, 0);
                Underline(label, itemAt, true);
            }
            if (s.closeMenuRequest) ImGui::CloseCurrentPopup();
            ImGui::EndMenu();
        }
        // Drawn once the popup is ended, so it lands in the bar's draw list, not the popup's.
        Label barLabel{popup.label, popup.mnemonic};
        Underline(barLabel, textPos, enabled);
    }
    s.openPopupRequest = -1;
    s.closeMenuRequest = false;
    ImGui::EndMainMenuBar();
}

void Present() {
    State& s = S();
    Video& v = *s.video;
    s.inFrame = true;
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGuiIO& io = ImGui::GetIO();
    // The back end reads the pointer from the desktop-wide state, which some X servers (Xvfb, VNC)
    // refresh only on raw device events: a dragged track bar would stand still. The window's own
    // motion events are always current.
    if (ImGui::IsMousePosValid(&io.MousePos)) {
        int mx = 0, my = 0;
        SDL_GetMouseState(&mx, &my);
        io.MousePos = ImVec2(static_cast<float>(mx), static_cast<float>(my));
    }
    // Keyboard navigation only inside menus and modal layers; otherwise keys belong to the game.
    if (s.menuOpen || Modal())
        io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    else
        io.ConfigFlags &= ~ImGuiConfigFlags_NavEnableKeyboard;
    ImGui::NewFrame();

    UploadSurface();
    float top = static_cast<float>(v.menuHeight);
    ImVec2 size(static_cast<float>(kScreenWidth * v.scale), static_cast<float>(kScreenHeight * v.scale));
    ImDrawList* background = ImGui::GetBackgroundDrawList();
    background->AddImage(reinterpret_cast<ImTextureID>(static_cast<intptr_t>(v.texture.id)), ImVec2(0, top),
                         ImVec2(size.x, top + size.y));
    if (Modal())
        background->AddRectFilled(ImVec2(0, top), ImVec2(size.x, top + size.y), IM_COL32(0, 0, 0, 90));

    DrawMenuBar();
    for (size_t i = 0; i < s.layers.size(); ++i) {
        bool top_layer = i + 1 == s.layers.size();
        if (!top_layer) ImGui::BeginDisabled();
        s.layers[i]();
        if (!top_layer) ImGui::EndDisabled();
    }
    s.menuOpen =
        ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId | ImGuiPopupFlags_AnyPopupLevel) && !Modal();

    ImGui::Render();
    int w, h;
    SDL_GL_GetDrawableSize(v.window.get(), &w, &h);
    glViewport(0, 0, w, h);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(v.window.get());
    s.inFrame = false;
    s.changedSinceFrame.clear();
    if (!s.waitingForFrame.empty()) s.framesWanted = std::max(s.framesWanted, 1);
}

// --- events -------------------------------------------------------------------------------------

bool ToClient(int wx, int wy, int& x, int& y) {
    const Video& v = *S().video;
    int cy = wy - v.menuHeight;
    if (wx < 0 || cy < 0) return false;
    x = wx / v.scale;
    y = cy / v.scale;
    return x < kScreenWidth && y < kScreenHeight;
}

// Alt plus the underlined letter of a popup opens it.
bool OpenByMnemonic(const SDL_KeyboardEvent& key) {
    State& s = S();
    if (!(key.keysym.mod & KMOD_ALT) || key.repeat || Modal()) return false;
    int vk = sdl::VirtualKey(key.keysym.scancode);
    for (int i = 0; i < static_cast<int>(s.popups.size()); ++i) {
        const Popup& p = s.popups[i];
        if (p.mnemonic < 0) continue;
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(p.label[p.mnemonic])));
        if (vk == letter) {
            s.openPopupRequest = i;
            return true;
        }
    }
    return false;
}

// A key already pressed since the last frame changes again: ImGui must see a frame in between.
bool MustWaitForFrame(const SDL_Event& e) {
    State& s = S();
    if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) return false;
    if (!s.menuOpen && !Modal()) return false;
    return std::find(s.changedSinceFrame.begin(), s.changedSinceFrame.end(), e.key.keysym.scancode) !=
           s.changedSinceFrame.end();
}

void HandleEvent(const SDL_Event& e) {
    State& s = S();
    bool uiKeys = s.menuOpen || Modal();
    switch (e.type) {
    case SDL_QUIT:
        Post(Msg::Close, 0, 0);
        return;
    case SDL_WINDOWEVENT:
        ImGui_ImplSDL2_ProcessEvent(&e);
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) Post(Msg::Close, 0, 0);
        if (e.window.event == SDL_WINDOWEVENT_MINIMIZED) s.wasMinimised = true;
        if (e.window.event == SDL_WINDOWEVENT_RESTORED && s.wasMinimised) {
            s.wasMinimised = false;
            s.paintPending = true;
        }
        return;
    case SDL_KEYDOWN:
        if (uiKeys) {
            ImGui_ImplSDL2_ProcessEvent(&e);
            s.changedSinceFrame.push_back(e.key.keysym.scancode);
            if (s.menuOpen && e.key.keysym.scancode == SDL_SCANCODE_ESCAPE) s.closeMenuRequest = true;
            return;
        }
        if (OpenByMnemonic(e.key)) return;
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
        for (const char* c = e.text.text; *c; ++c)
            if (static_cast<unsigned char>(*c) < 128) Post(Msg::Char, *c, 0);
        return;
    case SDL_MOUSEBUTTONDOWN: {
        ImGui_ImplSDL2_ProcessEvent(&e);
        int x, y;
        // A click that closes an open menu, or lands under a modal layer, is not the game's.
        if (s.menuOpen || Modal() || !ToClient(e.button.x, e.button.y, x, y)) return;
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
int ChooseScale(int menuHeight) {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return 1;
        usable = {0, 0, mode.w, mode.h};
    }
    int scale = 1;
    while (kScreenWidth * (scale + 1) <= usable.w * 9 / 10 &&
           kScreenHeight * (scale + 1) + menuHeight * (scale + 1) <= usable.h * 85 / 100)
        ++scale;
    return scale;
}

bool CreateVideo(const char* title, const WindowClass& windowClass) {
    State& s = S();
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
    const float baseFont = 15.0f, basePadY = 3.0f;
    v->scale = ChooseScale(static_cast<int>(baseFont + 2 * basePadY));
    v->menuHeight = static_cast<int>(baseFont * v->scale + 2 * basePadY * v->scale);

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    v->window.reset(SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     kScreenWidth * v->scale, kScreenHeight * v->scale + v->menuHeight,
                                     SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN));
    if (!v->window) {
        std::fprintf(stderr, "tarvel4: no window: %s\n", SDL_GetError());
        return false;
    }
    const char* glsl = "#version 130";
    v->gl.context = SDL_GL_CreateContext(v->window.get());
    if (!v->gl.context) {
        // An older GL still shows a texture; ImGui's GL3 renderer copes with GLSL 1.20.
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        glsl = "#version 120";
        v->gl.context = SDL_GL_CreateContext(v->window.get());
    }
    if (!v->gl.context) {
        std::fprintf(stderr, "tarvel4: no OpenGL context: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_MakeCurrent(v->window.get(), v->gl.context);
    SDL_GL_SetSwapInterval(0); // vsync would hold up the tick that presents
    SDL_DisplayMode mode;
    if (SDL_GetWindowDisplayMode(v->window.get(), &mode) == 0 && mode.refresh_rate >= 30)
        s.frameIntervalNs = 1'000'000'000 / mode.refresh_rate;

    auto icon = s.icons.find(windowClass.icon ? windowClass.icon : "");
    if (icon != s.icons.end()) {
        SDL_Surface* pixels = SDL_CreateRGBSurfaceWithFormatFrom(
            icon->second.rgba.data(), icon->second.width, icon->second.height, 32, icon->second.width * 4,
            SDL_PIXELFORMAT_RGBA32);
        if (pixels) {
            SDL_SetWindowIcon(v->window.get(), pixels);
            SDL_FreeSurface(pixels);
        }
    }

    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    v->imgui.context = true;
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr; // nothing is written next to the game's own files
    io.LogFilename = nullptr;
    ImFontConfig font;
    font.FontDataOwnedByAtlas = false;
    io.Fonts->AddFontFromMemoryTTF(const_cast<unsigned char*>(tarvel_font_data),
                                   static_cast<int>(tarvel_font_size), baseFont * v->scale, &font);
    ImGui::StyleColorsClassic();
    ImGuiStyle& style = ImGui::GetStyle();
    style.FramePadding.y = basePadY;
    style.DisplaySafeAreaPadding = ImVec2(0, 0);
    style.WindowRounding = 0;
    style.ScaleAllSizes(static_cast<float>(v->scale));
    v->imgui.sdl = ImGui_ImplSDL2_InitForOpenGL(v->window.get(), v->gl.context);
    v->imgui.gl = ImGui_ImplOpenGL3_Init(glsl);
    if (!v->imgui.sdl || !v->imgui.gl) {
        std::fprintf(stderr, "tarvel4: ImGui could not start\n");
        return false;
    }

    glGenTextures(1, &v->texture.id);
    glBindTexture(GL_TEXTURE_2D, v->texture.id);
    // Whole-factor scaling with square pixels, as the surface was drawn.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, kScreenWidth, kScreenHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    s.video = std::move(v);
    return true;
}

void BuildPopups(const char* menuName) {
    State& s = S();
    s.popups.clear();
    auto menu = s.menus.find(menuName ? menuName : "");
    if (menu == s.menus.end()) return;
    std::string current;
    for (const MenuItem& item : menu->second) {
        std::string name = item.popup ? item.popup : "";
        if (s.popups.empty() || name != current) {
            Label label = StripMnemonic(name.c_str());
            s.popups.push_back({label.text, label.mnemonic, {}});
            current = name;
        }
        s.popups.back().items.push_back(item);
    }
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
    BuildPopups(it->second.menu);
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
    s.uploadedVersion = ~0ull;
    return s.surface;
}

void ReleaseWindowSurface(Handle, Handle surface) {
    State& s = S();
    // The window keeps showing the last frame uploaded.
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
        sdl::PumpEvents();
        bool ticked = sdl::RunDueTimer();
        sdl::PresentIfDue();
        if (ticked) continue;
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
        int64_t wake = sdl::NowNs() + 250'000'000;
        int64_t at;
        if (sdl::NextTimerDeadline(at)) wake = std::min(wake, at);
        if (sdl::NextPresentTime(at)) wake = std::min(wake, at);
        sdl::WaitUntil(wake, true);
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
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        take(e);
        s.framesWanted = kFramesAfterInput;
    }
}

void PresentIfDue() {
    State& s = S();
    if (!s.video || s.inFrame) return;
    bool changed = SurfacePixels(s.surface) && SurfaceVersion(s.surface) != s.uploadedVersion;
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

void Shutdown() {
    State& s = S();
    s.layers.clear();
    if (s.surface) DestroySurface(s.surface);
    s.surface = 0;
    s.video.reset();
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
    int64_t wake = NowNs() + 100'000'000;
    int64_t at;
    if (NextTimerDeadline(at)) wake = std::min(wake, at);
    if (NextPresentTime(at)) wake = std::min(wake, at);
    // ImGui needs its settling frames promptly after input.
    if (S().framesWanted > 0) wake = std::min(wake, S().lastPresentNs + S().frameIntervalNs);
    WaitUntil(wake, true);
}

} // namespace sdl
} // namespace plat
