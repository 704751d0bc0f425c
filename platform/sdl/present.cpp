// Presenting the window: the software way by changed rectangles, or SDL's accelerated renderer.
#include "platform/sdl/present.h"

#include <backends/imgui_impl_sdlrenderer.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace plat::sdl {
namespace {

// What a 0x00BBGGRR colour is in the target's pixel format.
struct PixelMapping {
    const SDL_PixelFormat* format;
    bool shifts; // four bytes a pixel: place the channels directly

    uint32_t operator()(Colour c) const {
        uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        if (shifts) return r << format->Rshift | g << format->Gshift | b << format->Bshift | format->Amask;
        return SDL_MapRGB(format, static_cast<Uint8>(r), static_cast<Uint8>(g), static_cast<Uint8>(b));
    }
};

// A modal layer shades the view to 165/255 of its brightness, as black at alpha 90 over it.
Colour Dimmed(Colour c) {
    auto channel = [](Colour v) { return (v * 165 + 127) / 255; };
    return channel(c & 0xFF) | channel((c >> 8) & 0xFF) << 8 | channel((c >> 16) & 0xFF) << 16;
}

SDL_Rect ToWindow(const PixelRect& r, const ViewPlace& place) {
    return {place.x + r.left * place.scale, place.y + r.top * place.scale, (r.right - r.left) * place.scale,
            (r.bottom - r.top) * place.scale};
}

// The view rectangle whose pixels cover the window rectangle w (rounded outwards).
PixelRect ToView(const SDL_Rect& w, const ViewPlace& place) {
    auto down = [&](int v, int origin) { return (v - origin) >= 0 ? (v - origin) / place.scale : -1; };
    auto up = [&](int v, int origin) { return (v - origin + place.scale - 1) / place.scale; };
    PixelRect r{down(w.x, place.x), down(w.y, place.y), up(w.x + w.w, place.x), up(w.y + w.h, place.y)};
    r.left = std::clamp(r.left, 0, kScreenWidth);
    r.top = std::clamp(r.top, 0, kScreenHeight);
    r.right = std::clamp(r.right, 0, kScreenWidth);
    r.bottom = std::clamp(r.bottom, 0, kScreenHeight);
    return r;
}

// SDL's software renderer truncates vertex positions to whole pixels, so a line ImGui places at
// 313.99997 would land a row too high: positions are rounded to the nearest pixel first.
void SnapToPixels(ImDrawData* ui) {
    for (int i = 0; i < ui->CmdListsCount; ++i)
        for (ImDrawVert& v : ui->CmdLists[i]->VtxBuffer) {
            v.pos.x = std::floor(v.pos.x + 0.5f);
            v.pos.y = std::floor(v.pos.y + 0.5f);
        }
}

bool Intersect(SDL_Rect& r, int width, int height) {
    SDL_Rect all{0, 0, width, height};
    SDL_Rect cut;
    if (!SDL_IntersectRect(&r, &all, &cut)) return false;
    r = cut;
    return true;
}

// The window rectangles a rendered ImGui frame covers: one per draw list, the background's left out.
std::vector<SDL_Rect> UiBounds(const ImDrawData* ui, int windowWidth, int windowHeight) {
    std::vector<SDL_Rect> bounds;
    if (!ui) return bounds;
    for (int i = 0; i < ui->CmdListsCount; ++i) {
        const ImDrawList* list = ui->CmdLists[i];
        if (list->VtxBuffer.empty()) continue;
        float x0 = list->VtxBuffer[0].pos.x, y0 = list->VtxBuffer[0].pos.y, x1 = x0, y1 = y0;
        for (const ImDrawVert& v : list->VtxBuffer) {
            x0 = std::min(x0, v.pos.x), y0 = std::min(y0, v.pos.y);
            x1 = std::max(x1, v.pos.x), y1 = std::max(y1, v.pos.y);
        }
        // One pixel more each way for what the rasteriser rounds outwards.
        SDL_Rect r{static_cast<int>(x0) - 1, static_cast<int>(y0) - 1, 0, 0};
        r.w = static_cast<int>(x1) + 2 - r.x;
        r.h = static_cast<int>(y1) + 2 - r.y;
        if (Intersect(r, windowWidth, windowHeight)) bounds.push_back(r);
    }
    return bounds;
}

// Copies the view rectangle r (view pixels) into a 32-bit surface's pixels, each pixel made a
// scale x scale block at place, shaded when dim; the parts off the surface are left out.
void ReplicateView(const Colour* view, PixelRect r, const ViewPlace& place, bool dim, SDL_Surface* target) {
    const int k = place.scale;
    // Cut r to the view pixels whose blocks land on the target at all.
    r.left = std::max({r.left, 0, (-place.x + k - 1) / k});
    r.top = std::max({r.top, 0, (-place.y + k - 1) / k});
    r.right = std::min({r.right, kScreenWidth, (target->w - place.x) / k});
    r.bottom = std::min({r.bottom, kScreenHeight, (target->h - place.y) / k});
    if (r.left >= r.right || r.top >= r.bottom) return;
    const int bpp = target->format->BytesPerPixel;
    PixelMapping map{target->format, bpp == 4};
    auto* pixels = static_cast<uint8_t*>(target->pixels);
    const size_t rowBytes = static_cast<size_t>(r.right - r.left) * k * bpp;
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* first = pixels + static_cast<ptrdiff_t>(place.y + y * k) * target->pitch +
                         static_cast<ptrdiff_t>(place.x + r.left * k) * bpp;
        const Colour* source = view + static_cast<ptrdiff_t>(y) * kScreenWidth;
        if (bpp == 4) {
            auto* out = reinterpret_cast<uint32_t*>(first);
            for (int x = r.left; x < r.right; ++x) {
                uint32_t p = map(dim ? Dimmed(source[x]) : source[x]);
                for (int i = 0; i < k; ++i) *out++ = p;
            }
        } else {
            uint8_t* out = first;
            for (int x = r.left; x < r.right; ++x) {
                uint32_t p = map(dim ? Dimmed(source[x]) : source[x]);
                for (int i = 0; i < k; ++i, out += bpp) std::memcpy(out, &p, static_cast<size_t>(bpp));
            }
        }
        // The other rows of the block are copies of the first.
        for (int i = 1; i < k; ++i)
            std::memcpy(first + static_cast<ptrdiff_t>(i) * target->pitch, first, rowBytes);
    }
}

} // namespace

bool WantAcceleratedPresenting() {
    const char* asked = SDL_GetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION);
    if (!asked) return false;
    return !(SDL_strcmp(asked, "0") == 0 || SDL_strcasecmp(asked, "false") == 0 ||
             SDL_strcasecmp(asked, "software") == 0);
}

// --- the presenter ------------------------------------------------------------------------------

Presenter::Presenter(SDL_Window* w, SDL_Renderer* r, bool a) : window(w), renderer(r), accelerated(a) {}

Presenter::~Presenter() {
    if (viewTexture) SDL_DestroyTexture(viewTexture);
    if (renderer) SDL_DestroyRenderer(renderer);
}

std::unique_ptr<Presenter> Presenter::Create(SDL_Window* window, bool accelerated) {
    if (accelerated) {
        SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0"); // vsync would hold up the tick that presents
        SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
        if (SDL_Renderer* r = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED)) {
            std::unique_ptr<Presenter> p(new Presenter(window, r, true));
            p->viewTexture = SDL_CreateTexture(r, SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING,
                                               kScreenWidth, kScreenHeight);
            if (p->viewTexture) {
                SDL_SetTextureBlendMode(p->viewTexture, SDL_BLENDMODE_NONE);
                return p;
            }
        }
        std::fprintf(stderr, "tarvel4: no accelerated renderer (%s); drawing in software\n", SDL_GetError());
    }
    SDL_Renderer* r = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!r) return nullptr;
    return std::unique_ptr<Presenter>(new Presenter(window, r, false));
}

void Presenter::Show(const Colour* view, const std::vector<PixelRect>& changes, ImDrawData* ui, bool dim,
                     const ViewPlace& place) {
    if (accelerated)
        ShowAccelerated(view, changes, ui, dim, place);
    else
        ShowSoftware(view, changes, ui, dim, place);
}

void Presenter::ShowSoftware(const Colour* view, const std::vector<PixelRect>& changes, ImDrawData* ui,
                             bool dim, const ViewPlace& place) {
    SDL_Surface* target = SDL_GetWindowSurface(window);
    if (!target) return;
    bool whole = invalid || target != lastSurface || target->w != lastWidth || target->h != lastHeight ||
                 dim != lastDim || !(place == lastPlace);
    const PixelRect all{0, 0, kScreenWidth, kScreenHeight};
    std::vector<SDL_Rect> sent;
    std::vector<SDL_Rect> uiNow;
    if (ui) {
        SnapToPixels(ui);
        uiNow = UiBounds(ui, target->w, target->h);
    }
    // The software renderer leaves ImGui's last clip rectangle on the surface, and fills obey it.
    SDL_SetClipRect(target, nullptr);
    if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
    if (whole) {
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0, 0, 0));
        if (view) ReplicateView(view, all, place, dim, target);
        sent.push_back({0, 0, target->w, target->h});
    } else {
        if (view)
            for (const PixelRect& r : changes) {
                ReplicateView(view, r, place, dim, target);
                SDL_Rect w = ToWindow(r, place);
                if (Intersect(w, target->w, target->h)) sent.push_back(w);
            }
        if (ui) {
            // ImGui draws over whatever lies beneath it, so the ground under where it drew last
            // frame and draws now is laid again first: the view where there is view, else black.
            std::vector<SDL_Rect> ground = uiNow;
            ground.insert(ground.end(), lastUi.begin(), lastUi.end());
            for (SDL_Rect& g : ground) {
                SDL_FillRect(target, &g, SDL_MapRGB(target->format, 0, 0, 0));
                if (view) ReplicateView(view, ToView(g, place), place, dim, target);
                sent.push_back(g);
            }
        }
    }
    if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
    if (ui) {
        ImGui_ImplSDLRenderer_RenderDrawData(ui);
        SDL_RenderFlush(renderer);
        lastUi = uiNow;
    }
    // Replicated blocks reach past the ground rectangle by up to a block; sending the whole
    // blocks keeps what is on screen equal to what is in the buffer.
    if (!whole && ui)
        for (SDL_Rect& g : sent) {
            PixelRect v = ToView(g, place);
            SDL_Rect blocks = ToWindow(v, place);
            SDL_UnionRect(&g, &blocks, &g);
            Intersect(g, target->w, target->h);
        }
    if (!sent.empty()) SDL_UpdateWindowSurfaceRects(window, sent.data(), static_cast<int>(sent.size()));
    invalid = false;
    lastSurface = target;
    lastWidth = target->w;
    lastHeight = target->h;
    lastDim = dim;
    lastPlace = place;
}

void Presenter::ShowAccelerated(const Colour* view, const std::vector<PixelRect>& changes, ImDrawData* ui,
                                bool dim, const ViewPlace& place) {
    if (view) {
        if (invalid) {
            SDL_UpdateTexture(viewTexture, nullptr, view, kScreenWidth * 4);
        } else {
            for (const PixelRect& r : changes) {
                SDL_Rect rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
                SDL_UpdateTexture(viewTexture, &rect, view + r.top * kScreenWidth + r.left, kScreenWidth * 4);
            }
        }
    }
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    SDL_Rect dest{place.x, place.y, kScreenWidth * place.scale, kScreenHeight * place.scale};
    if (view) SDL_RenderCopy(renderer, viewTexture, nullptr, &dest);
    if (dim) {
        SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 90);
        SDL_RenderFillRect(renderer, &dest);
    }
    if (ui) ImGui_ImplSDLRenderer_RenderDrawData(ui);
    SDL_RenderPresent(renderer);
    invalid = false;
}

} // namespace plat::sdl
