// Virtual controllers for tests (virtual_pads.h).
#include "platform/sdl/testing/virtual_pads.h"

#include <SDL.h>

#include <functional>
#include <map>
#include <sstream>

namespace plat::sdl::testing {
namespace {

std::map<int, SDL_Joystick*>& Pads() {
    static std::map<int, SDL_Joystick*> pads;
    return pads;
}

SDL_Joystick* Pad(int k) {
    auto it = Pads().find(k);
    return it == Pads().end() ? nullptr : it->second;
}

int ButtonNamed(const std::string& name) {
    static const std::map<std::string, int> buttons = {{"up", SDL_CONTROLLER_BUTTON_DPAD_UP},
                                                       {"down", SDL_CONTROLLER_BUTTON_DPAD_DOWN},
                                                       {"left", SDL_CONTROLLER_BUTTON_DPAD_LEFT},
                                                       {"right", SDL_CONTROLLER_BUTTON_DPAD_RIGHT},
                                                       {"a", SDL_CONTROLLER_BUTTON_A},
                                                       {"b", SDL_CONTROLLER_BUTTON_B},
                                                       {"x", SDL_CONTROLLER_BUTTON_X},
                                                       {"y", SDL_CONTROLLER_BUTTON_Y},
                                                       {"lb", SDL_CONTROLLER_BUTTON_LEFTSHOULDER},
                                                       {"rb", SDL_CONTROLLER_BUTTON_RIGHTSHOULDER},
                                                       {"start", SDL_CONTROLLER_BUTTON_START}};
    auto it = buttons.find(name);
    return it == buttons.end() ? -1 : it->second;
}

int AxisNamed(const std::string& name) {
    static const std::map<std::string, int> axes = {{"leftx", SDL_CONTROLLER_AXIS_LEFTX},
                                                    {"lefty", SDL_CONTROLLER_AXIS_LEFTY},
                                                    {"rightx", SDL_CONTROLLER_AXIS_RIGHTX},
                                                    {"righty", SDL_CONTROLLER_AXIS_RIGHTY}};
    auto it = axes.find(name);
    return it == axes.end() ? -1 : it->second;
}

} // namespace

int HoldJoysticks() {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return -1;
    return SDL_NumJoysticks();
}

void ReleaseJoysticks() {
    while (!Pads().empty()) DetachPad(Pads().begin()->first);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

bool AttachPad(int k, const std::string& name) {
    if (Pad(k)) return false;
    // Buttons and axes in SDL's own order: SDL then maps button b to game-controller button b. The
    // name makes the product, so that pads of different names are different models to SDL too.
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.vendor_id = 0x7a4;
    desc.product_id = static_cast<Uint16>(std::hash<std::string>{}(name));
    desc.name = name.c_str();
    int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return false;
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    if (!joystick) return false;
    Pads()[k] = joystick;
    return true;
}

bool DetachPad(int k) {
    SDL_Joystick* joystick = Pad(k);
    if (!joystick) return false;
    SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    SDL_JoystickClose(joystick);
    Pads().erase(k);
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) return SDL_JoystickDetachVirtual(i) == 0;
    return false;
}

std::string PadGuid(int k) {
    char guid[33] = "";
    if (Pad(k)) SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(Pad(k)), guid, sizeof guid);
    return guid;
}

bool SetPadButton(int k, const std::string& button, bool down) {
    int b = ButtonNamed(button);
    return Pad(k) && b >= 0 && SDL_JoystickSetVirtualButton(Pad(k), b, down ? 1 : 0) == 0;
}

bool SetPadAxis(int k, const std::string& axis, int value) {
    int a = AxisNamed(axis);
    return Pad(k) && a >= 0 && value >= -32768 && value <= 32767 &&
           SDL_JoystickSetVirtualAxis(Pad(k), a, static_cast<Sint16>(value)) == 0;
}

bool ObeyPadCommand(const std::string& line) {
    std::istringstream in(line);
    std::string verb, what;
    int k = -1;
    if (!(in >> verb >> k) || k < 0) return false;
    if (verb == "detach") return DetachPad(k);
    in >> std::ws;
    if (verb == "attach") return std::getline(in, what) && AttachPad(k, what);
    if (!(in >> what)) return false;
    if (verb == "press" || verb == "release") return SetPadButton(k, what, verb == "press");
    int value = 0;
    return verb == "axis" && in >> value && SetPadAxis(k, what, value);
}

} // namespace plat::sdl::testing
