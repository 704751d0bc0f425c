// Dialogs in the real window: modal ImGui layers over the running game.
//
// The shared runtime keeps the controls' state; this file only draws them at the window's scale
// and reports what the player did, between frames, as the modal layers require.
#include "platform/dialogs.h"

#include <SDL.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/core/dialog_runtime.h"
#include "platform/core/window_runtime.h"
#include "platform/sdl/classic_style.h"
#include "platform/sdl/runtime.h"
#include "platform/surface.h"

namespace plat {
namespace {

using namespace sdl;

// What the player did in one frame, acted on once the frame is over.
struct Event {
    enum Kind { Press, Text, Slide, Mouse, Escape, Enter } kind;
    int id;
    std::string text;
    int value;
    int x, y;
};

struct EditBuffer {
    char utf8[512] = {};
    uint32_t seen = ~0u;
    bool reload = true;
    bool replace = false; // a text set while the field is being edited goes in through the callback
};

struct EditContext {
    const dialog::Control* control;
    EditBuffer* buffer;
};

// Keeps what the player types inside the field's width (and to digits where asked), the way a
// field without scrolling refuses what would not show. While the field is being edited ImGui
// works on its own copy of the text, so a text the procedure set goes in here.
int EditCallback(ImGuiInputTextCallbackData* data) {
    const auto* context = static_cast<const EditContext*>(data->UserData);
    const dialog::Control& c = *context->control;
    if (data->EventFlag == ImGuiInputTextFlags_CallbackCharFilter) {
        if ((c.layout.flags & kEditDigits) && (data->EventChar < '0' || data->EventChar > '9')) return 1;
        return 0;
    }
    if (context->buffer->replace && !(c.layout.flags & kEditReadOnly)) {
        context->buffer->replace = false;
        data->DeleteChars(0, data->BufTextLen);
        data->InsertChars(0, context->buffer->utf8);
        return 0;
    }
    if (data->EventFlag != ImGuiInputTextFlags_CallbackEdit || !(c.layout.flags & kEditNoScroll)) return 0;
    while (data->BufTextLen > 0 && dialog::TextWidth(dialog::FromUtf8(data->Buf)) > dialog::EditRoom(c)) {
        int at = data->CursorPos > 0 ? data->CursorPos : data->BufTextLen;
        int start = at - 1;
        while (start > 0 && (static_cast<unsigned char>(data->Buf[start]) & 0xC0) == 0x80) --start;
        data->DeleteChars(start, at - start);
    }
    return 0;
}

struct DialogView {
    dialog::Dialog* d;
    SDL_Texture* texture = nullptr;
    std::map<int, EditBuffer> edits;
    std::vector<Event> events;
    int lastMouseX = -1, lastMouseY = -1;
    uint64_t uploaded = ~0ull;

    explicit DialogView(dialog::Dialog* dialog) : d(dialog) {
        // 0x00BBGGRR is the XBGR8888 format: red in the low byte, the top byte unused.
        texture = SDL_CreateTexture(sdl::UiRenderer(), SDL_PIXELFORMAT_XBGR8888, SDL_TEXTUREACCESS_STREAMING,
                                    d->width, d->height);
        if (texture) {
            SDL_SetTextureScaleMode(texture, SDL_ScaleModeNearest);
            SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
        }
    }
    ~DialogView() {
        if (texture) SDL_DestroyTexture(texture);
    }
    DialogView(const DialogView&) = delete;
    DialogView& operator=(const DialogView&) = delete;

    void Upload() {
        const Colour* pixels = SurfacePixels(d->surface);
        uint64_t version = SurfaceVersion(d->surface);
        if (!pixels || !texture || version == uploaded) return;
        uploaded = version;
        SDL_UpdateTexture(texture, nullptr, pixels, d->width * static_cast<int>(sizeof(Colour)));
    }

    void Draw(bool top) {
        const float k = static_cast<float>(sdl::UiScale());
        PushClassicStyle(k);
        float captionHeight = d->layout->caption ? std::round(sdl::DialogFont()->FontSize + 6 * k) : 0;
        float frame = 3 * k;
        ImVec2 size(d->width * k + 2 * frame, d->height * k + captionHeight + 2 * frame);
        // Centred over the game's picture, which sits under the menu bar.
        sdl::ViewPlace place = sdl::CurrentViewPlace();
        ImVec2 centre(place.x + kScreenWidth * k * 0.5f, place.y + kScreenHeight * k * 0.5f);
        ImVec2 pos(std::round(centre.x - size.x * 0.5f), std::round(centre.y - size.y * 0.5f));
        ImGui::SetNextWindowPos(pos, ImGuiCond_Always);
        ImGui::SetNextWindowSize(size, ImGuiCond_Always);
        if (top) ImGui::SetNextWindowFocus();
        std::string name = "##dialog" + std::to_string(d->id);
        ImGuiWindowFlags flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                 ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoScrollbar |
                                 ImGuiWindowFlags_NoScrollWithMouse;
        if (ImGui::Begin(name.c_str(), nullptr, flags)) {
            ImDrawList* draw = ImGui::GetWindowDrawList();
            // A raised frame, the caption, then the painted surface as the client background.
            draw->AddRect(pos, ImVec2(pos.x + size.x, pos.y + size.y), kBlack);
            draw->AddRect(ImVec2(pos.x + k, pos.y + k), ImVec2(pos.x + size.x - k, pos.y + size.y - k),
                          kLight);
            ImVec2 inner(pos.x + frame, pos.y + frame);
            if (d->layout->caption) DrawCaption(draw, inner, d->width * k, dialog::ToUtf8(d->title), k);
            ImVec2 origin(inner.x, inner.y + captionHeight);
            draw->AddImage(static_cast<ImTextureID>(texture), origin,
                           ImVec2(origin.x + d->width * k, origin.y + d->height * k));
            for (dialog::Control& c : d->controls) DrawControl(c, origin, k);
            if (top) NoteKeysAndMouse(origin, k);
        }
        ImGui::End();
        PopClassicStyle();
    }

    void DrawControl(dialog::Control& c, ImVec2 origin, float k) {
        ImVec2 at(origin.x + c.left * k, origin.y + c.top * k);
        ImVec2 size(c.width * k, c.height * k);
        ImDrawList* draw = ImGui::GetWindowDrawList();
        std::string text = dialog::ToUtf8(c.text);
        float font = sdl::DialogFont()->FontSize;
        ImGui::PushID(c.layout.id);
        switch (c.layout.kind) {
        case ControlKind::PushButton:
            ImGui::SetCursorScreenPos(at);
            if (ImGui::Button(text.c_str(), size)) events.push_back({Event::Press, c.layout.id});
            break;
        case ControlKind::CheckBox: {
            ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(0, 0));
            ImGui::SetCursorScreenPos(ImVec2(at.x, at.y + std::round((size.y - font) * 0.5f)));
            bool checked = c.checked;
            if (ImGui::Checkbox(text.c_str(), &checked)) events.push_back({Event::Press, c.layout.id});
            ImGui::PopStyleVar();
            break;
        }
        case ControlKind::Label: {
            ImVec4 clip(at.x, at.y, at.x + size.x, at.y + size.y);
            draw->AddText(sdl::DialogFont(), font, at, kBlack, text.c_str(), nullptr, size.x, &clip);
            break;
        }
        case ControlKind::GroupBox: {
            float line = at.y + std::round(font * 0.5f);
            ImVec2 end(at.x + size.x, at.y + size.y);
            draw->AddRect(ImVec2(at.x, line), end, kShadow);
            draw->AddRect(ImVec2(at.x + k, line + k), ImVec2(end.x + k, end.y + k), kLight);
            ImVec2 label(at.x + 6 * k, at.y);
            ImVec2 labelSize = sdl::DialogFont()->CalcTextSizeA(font, size.x, 0, text.c_str());
            draw->AddRectFilled(ImVec2(label.x - 2 * k, at.y),
                                ImVec2(label.x + labelSize.x + 2 * k, at.y + font), kFace);
            draw->AddText(sdl::DialogFont(), font, label, kBlack, text.c_str());
            break;
        }
        case ControlKind::Edit:
            DrawEdit(c, at, size, k);
            break;
        case ControlKind::TrackBar: {
            int value = c.position;
            ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                                ImVec2(0, std::max(0.0f, (size.y - font) * 0.5f)));
            ImGui::SetCursorScreenPos(at);
            ImGui::SetNextItemWidth(size.x);
            if (ImGui::SliderInt("##track", &value, c.minimum, c.maximum, "", ImGuiSliderFlags_AlwaysClamp) &&
                value != c.position)
                events.push_back({Event::Slide, c.layout.id, {}, value});
            ImGui::PopStyleVar();
            if (!(c.layout.flags & kTrackNoTicks)) {
                // Tick marks every tenth of the range along the bottom edge.
                for (int i = 0; i <= 10; ++i) {
                    float x = std::round(at.x + 4 * k + (size.x - 8 * k) * static_cast<float>(i) / 10.0f);
                    draw->AddLine(ImVec2(x, at.y + size.y - 3 * k), ImVec2(x, at.y + size.y - k), kBlack, k);
                }
            }
            break;
        }
        }
        ImGui::PopID();
    }

    void DrawEdit(dialog::Control& c, ImVec2 at, ImVec2 size, float k) {
        EditBuffer& buffer = edits[c.layout.id];
        if (buffer.seen != c.changes || buffer.reload) {
            // The procedure (or a refusal) changed the text: what ImGui holds is out of date.
            std::string utf8 = dialog::ToUtf8(c.text);
            std::snprintf(buffer.utf8, sizeof buffer.utf8, "%s", utf8.c_str());
            buffer.seen = c.changes;
            buffer.reload = false;
            buffer.replace = true;
        }
        float font = sdl::DialogFont()->FontSize;
        bool border = c.layout.flags & kEditBorder;
        ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, border ? 1.0f : 0.0f);
        ImGui::PushStyleVar(ImGuiStyleVar_FramePadding,
                            ImVec2((border ? 2 : 1) * k, std::max(0.0f, std::floor((size.y - font) * 0.5f))));
        bool readOnly = c.layout.flags & kEditReadOnly;
        if (readOnly) ImGui::PushStyleColor(ImGuiCol_FrameBg, kFace);
        ImGui::SetCursorScreenPos(at);
        ImGui::SetNextItemWidth(size.x);
        EditContext context{&c, &buffer};
        ImGuiInputTextFlags flags = ImGuiInputTextFlags_CallbackEdit |
                                    ImGuiInputTextFlags_CallbackCharFilter |
                                    ImGuiInputTextFlags_CallbackAlways;
        if (readOnly) flags |= ImGuiInputTextFlags_ReadOnly;
        if (ImGui::InputText("##edit", buffer.utf8, sizeof buffer.utf8, flags, EditCallback, &context))
            events.push_back({Event::Text, c.layout.id, dialog::FromUtf8(buffer.utf8)});
        // A field not being edited shows the buffer as it is.
        if (!ImGui::IsItemActive() || readOnly) buffer.replace = false;
        if (readOnly) ImGui::PopStyleColor();
        ImGui::PopStyleVar(2);
    }

    void NoteKeysAndMouse(ImVec2 origin, float k) {
        if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Escape), false)) {
            events.clear(); // an edit's own revert on Escape is not a change worth reporting
            events.push_back({Event::Escape});
            return;
        }
        if (ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_Enter), false) ||
            ImGui::IsKeyPressed(ImGui::GetKeyIndex(ImGuiKey_KeyPadEnter), false))
            events.push_back({Event::Enter});
        // Mouse moves over the dialog's own surface; a control being dragged keeps the mouse.
        ImVec2 mouse = ImGui::GetIO().MousePos;
        if (!ImGui::IsMousePosValid(&mouse) || ImGui::IsAnyItemActive()) return;
        int x = static_cast<int>(std::floor((mouse.x - origin.x) / k));
        int y = static_cast<int>(std::floor((mouse.y - origin.y) / k));
        if (x < 0 || y < 0 || x >= d->width || y >= d->height) return;
        if (x == lastMouseX && y == lastMouseY) return;
        lastMouseX = x;
        lastMouseY = y;
        events.push_back({Event::Mouse, 0, {}, 0, x, y});
    }

    void Act() {
        std::vector<Event> taken;
        taken.swap(events);
        for (const Event& e : taken) {
            if (d->ended) break;
            switch (e.kind) {
            case Event::Press:
                dialog::Press(*d, e.id);
                break;
            case Event::Text:
                if (!dialog::ChangeText(*d, e.id, e.text)) edits[e.id].reload = true;
                break;
            case Event::Slide:
                dialog::MoveTrackBar(*d, e.id, e.value);
                break;
            case Event::Mouse:
                dialog::MoveMouse(*d, e.x, e.y);
                break;
            case Event::Escape:
                dialog::PressEscape(*d);
                break;
            case Event::Enter:
                dialog::PressEnter(*d);
                break;
            }
        }
        if (dialog::PaintIfNeeded(*d)) Upload();
    }
};

} // namespace

int RunDialog(const DialogTemplate& layout, Handle owner, DialogProc proc) {
    if (!sdl::HaveWindow() || sdl::InFrame()) return -1;
    dialog::Dialog* d = dialog::Open(layout, owner, proc);
    if (!d) return -1;
    int result = 0;
    {
        DialogView view(d);
        dialog::Start(*d);
        view.Upload();
        core::ModalLayer layer([&](bool top) { view.Draw(top); });
        while (!d->ended) {
            core::ModalTurn();
            view.Act();
        }
        result = d->result;
    }
    dialog::Close(d);
    return result;
}

} // namespace plat
