// Presenting: how the game's surface, scaled by a whole factor, and ImGui's menu bar and modal
// layers over it reach the screen.
//
// By default the window's own pixel buffer is written directly and only the changed rectangles
// are sent to the display (shared memory on X11); ImGui draws into the same buffer through SDL's
// software renderer. A tick changes a few hundred pixels, so this costs well under a percent of a
// core, needs no OpenGL at all and keeps a software OpenGL (and the compiler it loads) out of
// memory. Asked for with SDL_FRAMEBUFFER_ACCELERATION=1, SDL's accelerated renderer shows a
// streaming texture of the surface instead, updated by the changed rectangles, with ImGui on top.
#pragma once
#include <SDL.h>

#include <memory>
#include <vector>

#include "platform/sdl/runtime.h"
#include "platform/surface.h"

struct ImDrawData;

namespace plat::sdl {

// True when the player asked for the accelerated renderer (SDL_FRAMEBUFFER_ACCELERATION set and
// not "0", "false" or "software").
bool WantAcceleratedPresenting();

class Presenter {
  public:
    // Made on a window already created; nullptr when no renderer can be had. An accelerated
    // presenter that cannot start falls back to the software one.
    static std::unique_ptr<Presenter> Create(SDL_Window* window, bool accelerated);
    ~Presenter();
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    SDL_Renderer* Renderer() const { return renderer; }
    // The accelerated renderer redraws the whole window every frame, ImGui included.
    bool NeedsUiEveryFrame() const { return accelerated; }
    // The next frame redraws the whole window (exposed, resized, shown again).
    void Invalidate() { invalid = true; }

    // Shows one frame. view: the 640 x 480 surface pixels (nullptr shows black); changes: its
    // rectangles changed since the last frame; ui: ImGui's rendered frame, or nullptr when ImGui
    // did not run (then only the view's changes go out); dim: the view is shaded under a modal layer.
    void Show(const Colour* view, const std::vector<PixelRect>& changes, ImDrawData* ui, bool dim,
              const ViewPlace& place);

  private:
    Presenter(SDL_Window* window, SDL_Renderer* renderer, bool accelerated);
    void ShowSoftware(const Colour* view, const std::vector<PixelRect>& changes, ImDrawData* ui, bool dim,
                      const ViewPlace& place);
    void ShowAccelerated(const Colour* view, const std::vector<PixelRect>& changes, ImDrawData* ui, bool dim,
                         const ViewPlace& place);

    SDL_Window* window;
    SDL_Renderer* renderer;
    bool accelerated;
    bool invalid = true;
    // software: what the last frame left on screen
    SDL_Surface* lastSurface = nullptr;
    int lastWidth = 0, lastHeight = 0;
    bool lastDim = false;
    ViewPlace lastPlace;
    std::vector<SDL_Rect> lastUi; // where ImGui drew, in window pixels
    // accelerated: the view as a texture
    SDL_Texture* viewTexture = nullptr;
};

} // namespace plat::sdl
