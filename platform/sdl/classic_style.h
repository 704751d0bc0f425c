// The look of the platform's own windows, which dialogs and the colour chooser share: a grey
// face, black text, square frames, a dark blue caption bar.
#pragma once
#include <imgui.h>

#include <string>

namespace plat::sdl {

constexpr ImU32 kFace = IM_COL32(0xC0, 0xC0, 0xC0, 0xFF);
constexpr ImU32 kShadow = IM_COL32(0x80, 0x80, 0x80, 0xFF);
constexpr ImU32 kLight = IM_COL32(0xFF, 0xFF, 0xFF, 0xFF);
constexpr ImU32 kBlack = IM_COL32(0x00, 0x00, 0x00, 0xFF);
constexpr ImU32 kCaption = IM_COL32(0x00, 0x00, 0x80, 0xFF);

// The dialogs' face, colours and frames at a scale; pop with PopClassicStyle.
void PushClassicStyle(float k);
void PopClassicStyle();
// A caption bar the way the platform's own windows have one; its height.
float DrawCaption(ImDrawList* draw, ImVec2 at, float width, const std::string& title, float k);

} // namespace plat::sdl
