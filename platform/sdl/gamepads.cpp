// Game controllers through SDL's game-controller API (gamepads.h says what they send).
#include "platform/sdl/gamepads.h"

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"

namespace plat::sdl {
namespace {

// The stick turns a direction on at half deflection and off again only below a quarter, so a stick
// held near half way does not press the same direction again and again.
constexpr int kStickOn = 16384, kStickOff = 8192;
// While one is connected the controllers are read at least this often: about as often as a pad
// reports (every 1 to 8 ms), at a small part of the cost of SDL's own reading every millisecond.
constexpr int kReadEveryMs = 5;

// Who held a number: enough to know the controller again when it comes back.
struct Identity {
    std::string guid, serial, path;
};

struct Seat {
    SDL_GameController* pad = nullptr; // while connected
    SDL_JoystickID id = -1;
    bool used = false; // held by some controller in this run
    Identity who;
    int stickX = 0, stickY = 0; // -1, 0 or 1: the direction the left stick holds on each axis
};

struct State {
    bool started = false;
    void (*keyDown)(int) = nullptr;
    std::array<Seat, kMaxPads> seats;
    std::vector<SDL_JoystickID> ignored; // connected beyond the fourth
};

State& S() {
    static State state;
    return state;
}

// How surely a returning controller is the one that held a number: 0 not at all, 1 the same model,
// 2 the same model in the same place, 3 the same serial number.
int Likeness(const Identity& a, const Identity& b) {
    if (a.guid != b.guid) return 0;
    if (!a.serial.empty() && !b.serial.empty()) return a.serial == b.serial ? 3 : 0;
    return !a.path.empty() && a.path == b.path ? 2 : 1;
}

// Its own number back when it held one; else the lowest never used; else the lowest whose
// controller is away. -1: all four are connected.
int ChooseSeat(const Identity& who) {
    auto& seats = S().seats;
    int best = -1, bestLikeness = 0;
    for (int i = 0; i < kMaxPads; ++i) {
        if (seats[i].pad || !seats[i].used) continue;
        int likeness = Likeness(seats[i].who, who);
        if (likeness > bestLikeness) best = i, bestLikeness = likeness;
    }
    if (best >= 0) return best;
    for (int i = 0; i < kMaxPads; ++i)
        if (!seats[i].used) return i;
    for (int i = 0; i < kMaxPads; ++i)
        if (!seats[i].pad) return i;
    return -1;
}

Seat* SeatOf(SDL_JoystickID id) {
    for (Seat& seat : S().seats)
        if (seat.pad && seat.id == id) return &seat;
    return nullptr;
}

bool Known(SDL_JoystickID id) {
    const auto& ignored = S().ignored;
    return SeatOf(id) || std::find(ignored.begin(), ignored.end(), id) != ignored.end();
}

std::string Text(const char* s) {
    return s ? s : "";
}

void Connect(int deviceIndex) {
    State& s = S();
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || Known(id)) return;
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) {
        std::fprintf(stderr, "tarvel4: a game controller could not be opened: %s\n", SDL_GetError());
        return;
    }
    char guid[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(deviceIndex), guid, sizeof guid);
    Identity who{guid, Text(SDL_GameControllerGetSerial(pad)), Text(SDL_GameControllerPath(pad))};
    std::string name = Text(SDL_GameControllerName(pad));
    int n = ChooseSeat(who);
    if (n < 0) {
        std::fprintf(stderr, "tarvel4: four game controllers are in use; %s is not\n", name.c_str());
        SDL_GameControllerClose(pad);
        s.ignored.push_back(id);
        return;
    }
    s.seats[n] = Seat{pad, id, true, who};
    SDL_GameControllerSetPlayerIndex(pad, n); // its player light, where it has one
    std::fprintf(stderr, "tarvel4: game controller %d is %s\n", n + 1, name.c_str());
}

// Every game controller SDL lists that has no number and is not ignored yet, in SDL's order.
void ConnectNewOnes() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_IsGameController(i)) Connect(i);
}

void Disconnect(SDL_JoystickID id) {
    State& s = S();
    std::erase(s.ignored, id);
    Seat* seat = SeatOf(id);
    if (!seat) return;
    // The worm it steers goes on straight: the game only ever sees presses.
    SDL_GameControllerClose(seat->pad);
    seat->pad = nullptr;
    seat->id = -1;
    seat->stickX = seat->stickY = 0;
    std::fprintf(stderr, "tarvel4: game controller %d unplugged\n",
                 static_cast<int>(seat - s.seats.data()) + 1);
}

// Paths compared with their numbers as numbers: /dev/input/event9 before /dev/input/event10.
bool PathBefore(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            size_t i0 = i, j0 = j;
            while (i < a.size() && std::isdigit(static_cast<unsigned char>(a[i]))) ++i;
            while (j < b.size() && std::isdigit(static_cast<unsigned char>(b[j]))) ++j;
            unsigned long x = std::stoul(a.substr(i0, std::min<size_t>(i - i0, 9)));
            unsigned long y = std::stoul(b.substr(j0, std::min<size_t>(j - j0, 9)));
            if (x != y) return x < y;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i, ++j;
    }
    return a.size() - i < b.size() - j;
}

// The controllers already there: the system numbers its devices as they are plugged in, so their
// paths give the order they came in; those without a path follow in SDL's order.
void ConnectThoseAtStart() {
    std::vector<std::pair<std::string, int>> found;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_IsGameController(i)) found.emplace_back(Text(SDL_JoystickPathForIndex(i)), i);
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        if (a.first.empty() || b.first.empty()) return !a.first.empty() && b.first.empty();
        return PathBefore(a.first, b.first);
    });
    for (const auto& [path, index] : found) Connect(index);
}

void LoadPlayerMappings() {
    char buffer[4096];
    const char* path = HostPath("gamecontrollerdb.txt", buffer, sizeof buffer);
    if (!path[0] || access(path, F_OK) != 0) return;
    if (SDL_GameControllerAddMappingsFromFile(path) < 0)
        std::fprintf(stderr, "tarvel4: %s: %s\n", path, SDL_GetError());
}

int ButtonOf(int sdlButton) {
    switch (sdlButton) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        return kPadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        return kPadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        return kPadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        return kPadRight;
    case SDL_CONTROLLER_BUTTON_A:
        return kPadA;
    case SDL_CONTROLLER_BUTTON_B:
        return kPadB;
    case SDL_CONTROLLER_BUTTON_X:
        return kPadX;
    case SDL_CONTROLLER_BUTTON_Y:
        return kPadY;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
        return kPadLB;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
        return kPadRB;
    default:
        return -1;
    }
}

// The direction (-1, 0, 1) an axis holds after moving to value, from the one it held.
int StickDirection(int held, int value) {
    if (value >= kStickOn) return 1;
    if (value <= -kStickOn) return -1;
    if (held > 0 && value > kStickOff) return 1;
    if (held < 0 && value < -kStickOff) return -1;
    return 0;
}

void Press(const Seat& seat, int button, bool live) {
    State& s = S();
    int n = static_cast<int>(&seat - s.seats.data()) + 1;
    if (live && s.keyDown) s.keyDown(PadCode(n, button));
}

void MoveStick(Seat& seat, int axis, int value, bool live) {
    bool across = axis == SDL_CONTROLLER_AXIS_LEFTX;
    if (!across && axis != SDL_CONTROLLER_AXIS_LEFTY) return;
    int& held = across ? seat.stickX : seat.stickY;
    int now = StickDirection(held, value);
    if (now != 0 && now != held)
        Press(seat, across ? (now < 0 ? kPadLeft : kPadRight) : (now < 0 ? kPadUp : kPadDown), live);
    held = now;
}

} // namespace

void StartGamepads(void (*keyDown)(int)) {
    State& s = S();
    if (s.started) return;
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "tarvel4: no game controllers: %s\n", SDL_GetError());
        return;
    }
    s.started = true;
    s.keyDown = keyDown;
    LoadPlayerMappings();
    ConnectThoseAtStart();
}

void UpdateGamepads() {
    if (S().started) SDL_GameControllerUpdate();
}

int GamepadWaitMs() {
    for (const Seat& seat : S().seats)
        if (seat.pad) return kReadEveryMs;
    return 1000;
}

bool TakeGamepadEvent(const SDL_Event& e, bool buttonsLive) {
    State& s = S();
    // Joystick and controller events fill 0x600..0x6FF; touch events begin above.
    if (e.type < SDL_JOYAXISMOTION || e.type >= SDL_FINGERDOWN) return false;
    if (!s.started) return true;
    switch (e.type) {
    // A joystick that SDL knows as a game controller comes with both events; either will do.
    case SDL_JOYDEVICEADDED:
    case SDL_CONTROLLERDEVICEADDED:
        ConnectNewOnes();
        break;
    case SDL_JOYDEVICEREMOVED:
    case SDL_CONTROLLERDEVICEREMOVED:
        Disconnect(e.cdevice.which);
        break;
    case SDL_CONTROLLERBUTTONDOWN:
        if (Seat* seat = SeatOf(e.cbutton.which); seat && ButtonOf(e.cbutton.button) >= 0)
            Press(*seat, ButtonOf(e.cbutton.button), buttonsLive);
        break;
    case SDL_CONTROLLERAXISMOTION:
        if (Seat* seat = SeatOf(e.caxis.which)) MoveStick(*seat, e.caxis.axis, e.caxis.value, buttonsLive);
        break;
    default:
        break;
    }
    return true;
}

void StopGamepads() {
    State& s = S();
    if (!s.started) return;
    for (Seat& seat : s.seats)
        if (seat.pad) SDL_GameControllerClose(seat.pad);
    s = State{};
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

} // namespace plat::sdl
