// The open dialogs, their controls' state and the messages their procedures get.
#include "platform/core/dialog_runtime.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/surface.h"
#include "platform/window.h"

extern "C" const unsigned char tarvel_dialog_font_data[];
extern "C" const unsigned long long tarvel_dialog_font_size;

namespace plat::dialog {
namespace {

std::vector<std::unique_ptr<Dialog>>& OpenDialogs() {
    static std::vector<std::unique_ptr<Dialog>> dialogs;
    return dialogs;
}

Handle nextId = 0x10000;

void Send(Dialog& d, DialogMsg msg, intptr_t first, intptr_t second) {
    if (d.proc) d.proc(d.id, msg, first, second);
}

void SendCommand(Dialog& d, int id) {
    Send(d, DialogMsg::Command, id, 0);
    d.needsPaint = true;
}

bool TakesMouse(ControlKind kind) {
    return kind != ControlKind::Label && kind != ControlKind::GroupBox;
}

struct Metrics {
    stbtt_fontinfo info{};
    bool ok = false;
    float scale = 0;
    Metrics() {
        ok = stbtt_InitFont(&info, tarvel_dialog_font_data,
                            stbtt_GetFontOffsetForIndex(tarvel_dialog_font_data, 0)) != 0;
        if (ok) scale = stbtt_ScaleForPixelHeight(&info, kFontPixels);
    }
    float Advance(int codePoint) {
        if (!ok) return kFontPixels / 2;
        if (codePoint == 0 || stbtt_FindGlyphIndex(&info, codePoint) == 0) codePoint = '?';
        int advance = 0, lsb = 0;
        stbtt_GetCodepointHMetrics(&info, codePoint, &advance, &lsb);
        return static_cast<float>(advance) * scale;
    }
};

Metrics& TheMetrics() {
    static Metrics metrics;
    return metrics;
}

// Windows-1252 bytes 0x80..0x9F; the rest of the upper half is Latin-1.
const unsigned short kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

Dialog* Open(const DialogTemplate& layout, Handle owner, DialogProc proc) {
    if (!proc || layout.width <= 0 || layout.height <= 0) return nullptr;
    auto d = std::make_unique<Dialog>();
    d->id = nextId++;
    d->layout = &layout;
    d->owner = owner;
    d->proc = proc;
    d->title = layout.title ? layout.title : "";
    d->width = DialogUnitsToPixelsX(layout.width);
    d->height = DialogUnitsToPixelsY(layout.height);
    for (int i = 0; i < layout.controlCount; ++i) {
        const DialogControl& c = layout.controls[i];
        Control control{c,
                        DialogUnitsToPixelsX(c.x),
                        DialogUnitsToPixelsY(c.y),
                        DialogUnitsToPixelsX(c.width),
                        DialogUnitsToPixelsY(c.height),
                        c.text ? c.text : ""};
        d->controls.push_back(control);
    }
    d->surface = CreateSurface(d->width, d->height);
    Dialog* raw = d.get();
    OpenDialogs().push_back(std::move(d));
    return raw;
}

void Start(Dialog& d) {
    Send(d, DialogMsg::Init, 0, 0);
    RunPosted(d);
    PaintIfNeeded(d);
}

void Close(Dialog* dialog) {
    auto& dialogs = OpenDialogs();
    auto it = std::find_if(dialogs.begin(), dialogs.end(), [&](const auto& d) { return d.get() == dialog; });
    if (it == dialogs.end()) return;
    Handle owner = (*it)->owner;
    DestroySurface((*it)->surface);
    dialogs.erase(it);
    Uncover(owner);
}

void Uncover(Handle owner) {
    if (Dialog* d = Find(owner))
        d->needsPaint = true;
    else if (owner)
        InvalidateWindow(owner);
}

Dialog* Find(Handle id) {
    for (auto& d : OpenDialogs())
        if (d->id == id) return d.get();
    return nullptr;
}

Control* FindControl(Dialog& d, int id) {
    for (Control& c : d.controls)
        if (c.layout.id == id) return &c;
    return nullptr;
}

Control* ControlAt(Dialog& d, int x, int y) {
    for (Control& c : d.controls)
        if (TakesMouse(c.layout.kind) && x >= c.left && x < c.left + c.width && y >= c.top &&
            y < c.top + c.height)
            return &c;
    return nullptr;
}

void Press(Dialog& d, int id) {
    Control* c = FindControl(d, id);
    if (!c || d.ended) return;
    if (c->layout.kind == ControlKind::CheckBox) {
        c->checked = !c->checked;
    } else if (c->layout.kind != ControlKind::PushButton) {
        return;
    }
    SendCommand(d, id);
    RunPosted(d);
}

bool ChangeText(Dialog& d, int id, const std::string& text) {
    Control* c = FindControl(d, id);
    if (!c || d.ended || c->layout.kind != ControlKind::Edit) return false;
    uint32_t flags = c->layout.flags;
    if (flags & kEditReadOnly) return false;
    if ((flags & kEditDigits) && text.find_first_not_of("0123456789") != std::string::npos) return false;
    if ((flags & kEditNoScroll) && TextWidth(text) > EditRoom(*c)) return false;
    if (text == c->text) return true;
    c->text = text;
    SendCommand(d, id);
    RunPosted(d);
    return true;
}

void MoveTrackBar(Dialog& d, int id, int position) {
    Control* c = FindControl(d, id);
    if (!c || d.ended || c->layout.kind != ControlKind::TrackBar) return;
    c->position = std::clamp(position, c->minimum, std::max(c->minimum, c->maximum));
    Send(d, DialogMsg::TrackBarMoved, id, 0);
    d.needsPaint = true;
    RunPosted(d);
}

void MoveMouse(Dialog& d, int x, int y) {
    if (d.ended || x < 0 || y < 0 || x >= d.width || y >= d.height || ControlAt(d, x, y)) return;
    Send(d, DialogMsg::MouseMove, 0, (x & 0xFFFF) | ((y & 0xFFFF) << 16));
    RunPosted(d);
}

void PressEscape(Dialog& d) {
    if (d.ended) return;
    SendCommand(d, 2);
    RunPosted(d);
}

void PressEnter(Dialog& d) {
    if (d.ended) return;
    SendCommand(d, 1);
    RunPosted(d);
}

void RunPosted(Dialog& d) {
    while (!d.ended && !d.posted.empty()) {
        int id = d.posted.front();
        d.posted.pop_front();
        SendCommand(d, id);
    }
    if (d.ended) d.posted.clear();
}

bool PaintIfNeeded(Dialog& d) {
    if (!d.needsPaint || d.ended) return false;
    d.needsPaint = false;
    FillRect(d.surface, 0, 0, d.width, d.height, kDialogFaceColour);
    Send(d, DialogMsg::Paint, 0, 0);
    return true;
}

void InvalidateAll() {
    for (auto& d : OpenDialogs()) d->needsPaint = true;
}

float TextWidth(const std::string& text) {
    float width = 0;
    for (unsigned char byte : text) width += TheMetrics().Advance(CodePointOf(byte));
    return width;
}

float EditRoom(const Control& c) {
    int frame = (c.layout.flags & kEditBorder) ? 2 : 1; // border and margin on each side
    return static_cast<float>(c.width - 2 * frame);
}

const unsigned char* FontData() {
    return tarvel_dialog_font_data;
}

std::size_t FontSize() {
    return static_cast<std::size_t>(tarvel_dialog_font_size);
}

int CodePointOf(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
    return byte;
}

std::string ToUtf8(const std::string& bytes) {
    std::string out;
    for (unsigned char byte : bytes) {
        unsigned cp = static_cast<unsigned>(CodePointOf(byte));
        if (cp == 0) cp = '?';
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string FromUtf8(const char* utf8) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8 ? utf8 : "");
    while (*p) {
        unsigned cp = *p++;
        int more = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
        if (cp >= 0x80 && more == 0) {
            out += '?'; // a stray continuation byte
            continue;
        }
        cp &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0x7F;
        for (; more > 0 && (*p & 0xC0) == 0x80; --more) cp = (cp << 6) | (*p++ & 0x3F);
        if (more > 0) cp = '?'; // cut short
        char byte = '?';
        if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) {
            byte = static_cast<char>(cp);
        } else {
            for (int i = 0; i < 32; ++i)
                if (kHigh[i] == cp) byte = static_cast<char>(0x80 + i);
        }
        out += byte;
    }
    return out;
}

} // namespace plat::dialog

namespace plat {

using dialog::Control;
using dialog::Dialog;

namespace {
Control* Find(Handle dialogId, int id) {
    Dialog* d = dialog::Find(dialogId);
    return d ? dialog::FindControl(*d, id) : nullptr;
}
} // namespace

void EndDialog(Handle dialogId, int result) {
    if (Dialog* d = dialog::Find(dialogId)) {
        d->ended = true;
        d->result = result;
    }
}

void PostDialogCommand(Handle dialogId, int id) {
    if (Dialog* d = dialog::Find(dialogId)) d->posted.push_back(id);
}

void SetDialogTitle(Handle dialogId, const char* title) {
    if (Dialog* d = dialog::Find(dialogId)) d->title = title ? title : "";
}

void SetControlText(Handle dialogId, int id, const char* text) {
    if (Control* c = Find(dialogId, id)) {
        c->text = text ? text : "";
        ++c->changes;
    }
}

int GetControlText(Handle dialogId, int id, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    Control* c = Find(dialogId, id);
    int count =
        c ? static_cast<int>(std::min<std::size_t>(c->text.size(), static_cast<std::size_t>(size - 1))) : 0;
    if (count > 0) std::memcpy(buffer, c->text.data(), static_cast<std::size_t>(count));
    buffer[count] = '\0';
    return count;
}

void SetControlNumber(Handle dialogId, int id, int value) {
    SetControlText(dialogId, id, std::to_string(value).c_str());
}

uint32_t GetControlNumber(Handle dialogId, int id) {
    Control* c = Find(dialogId, id);
    if (!c) return 0;
    const std::string& t = c->text;
    std::size_t i = t.find_first_not_of(" \t");
    if (i == std::string::npos || t[i] < '0' || t[i] > '9') return 0;
    uint64_t value = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        value = value * 10 + static_cast<uint64_t>(t[i] - '0');
        if (value > 0xFFFFFFFFull) return 0;
    }
    if (t.find_first_not_of(" \t", i) != std::string::npos) return 0;
    return static_cast<uint32_t>(value);
}

void SetCheck(Handle dialogId, int id, bool checked) {
    Control* c = Find(dialogId, id);
    if (c && c->layout.kind == ControlKind::CheckBox) {
        c->checked = checked;
        ++c->changes;
    }
}

bool IsChecked(Handle dialogId, int id) {
    Control* c = Find(dialogId, id);
    return c && c->layout.kind == ControlKind::CheckBox && c->checked;
}

void SetTrackBarRange(Handle dialogId, int id, int minimum, int maximum) {
    Control* c = Find(dialogId, id);
    if (!c || c->layout.kind != ControlKind::TrackBar) return;
    c->minimum = minimum;
    c->maximum = std::max(minimum, maximum);
    c->position = std::clamp(c->position, c->minimum, c->maximum);
    ++c->changes;
}

void SetTrackBarPosition(Handle dialogId, int id, int position) {
    Control* c = Find(dialogId, id);
    if (!c || c->layout.kind != ControlKind::TrackBar) return;
    c->position = std::clamp(position, c->minimum, c->maximum);
    ++c->changes;
}

int TrackBarPosition(Handle dialogId, int id) {
    Control* c = Find(dialogId, id);
    return c && c->layout.kind == ControlKind::TrackBar ? c->position : 0;
}

Handle DialogSurface(Handle dialogId) {
    Dialog* d = dialog::Find(dialogId);
    return d ? d->surface : 0;
}

} // namespace plat
