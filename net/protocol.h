// The messages machines in a session send each other, and their bytes. Every message starts with
// "T4", the protocol version and its kind; integers are little-endian. Reading takes nothing on
// trust: a message that is short, long, out of range or of another version is not read.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace net {

constexpr uint8_t kProtocol = 1;
// The hello word a joiner connects with: "T4" and the protocol, so a host can refuse another
// version before anything else is said.
constexpr uint32_t kHello = 0x54340000u | kProtocol;
constexpr int kMaxMachines = 4;
constexpr size_t kImageBytes = 217;
constexpr size_t kNameBytes = 16;  // a player's name as the lobby shows it
constexpr size_t kMostKeys = 32;   // key-downs of one machine before one tick
constexpr size_t kMostTicks = 120; // ticks in one input or ticks message
constexpr size_t kMostHashes = 2;

// Why a host let a machine go (the reason word of the disconnect).
enum class Reason : uint32_t {
    None = 0,
    Version = 1, // another protocol version
    Full = 2,    // four machines play already
    NoSeat = 3,  // no seat is open for another machine
    Budget = 4,  // the player's abilities cost more than a player may spend
    Dropped = 5, // its input stopped coming
    Left = 6,    // the host (or the joiner) left the game
};

enum class Kind : uint8_t {
    Join = 1,     // joiner -> host, reliable: who plays there
    Welcome = 2,  // host -> joiner, reliable: its place in the session
    Decision = 3, // host -> all, reliable: what holds from a tick on
    Desync = 4,   // host -> all, reliable: the machines went out of step
    Stall = 5,    // host -> all, reliable: whose input it waits for
    Input = 6,    // joiner -> host, unsequenced: its key-downs by tick, hashes
    Ticks = 7,    // host -> joiner, unsequenced: every machine's key-downs by tick
    Ping = 8,     // host -> joiner, unsequenced
    Pong = 9,     // joiner -> host, unsequenced
};

struct Profile {
    char name[32] = {};
    uint32_t colour = 0;
    uint8_t abilities[4] = {};
    int8_t speed = 0;
    int8_t points = 0;
};

// What the host decides for everyone, from a tick on: the settings image the rules play with, who
// steers each seat, the players' names, the input delay, who takes part; and whether everyone
// starts again together on the title screen from that tick (a machine joined, or they went out of
// step).
struct Decision {
    std::array<uint8_t, kImageBytes> image{};
    std::array<int8_t, 4> owner{{-1, -1, -1, -1}}; // machine steering each seat, -1 none
    std::array<bool, 4> open{};                    // seat open for another machine to take
    std::array<std::array<char, kNameBytes>, kMaxMachines> names{};
    uint8_t delay = 2;
    uint8_t active = 1; // bit m: machine m takes part
    bool reset = false;
    bool operator==(const Decision&) const = default;
};

// Every machine's key-downs before one tick, and how many decisions hold from it on.
struct TickData {
    uint8_t decisions = 0;
    std::array<std::vector<uint8_t>, kMaxMachines> keys;
    bool operator==(const TickData&) const = default;
};

struct Message {
    Kind kind = Kind::Ping;
    uint32_t session = 0;
    Profile profile;     // Join
    uint8_t machine = 0; // Welcome (yours), Stall (255: none), Desync (whose hash differed, a mask)
    uint32_t tick = 0;   // Welcome (your first), Decision, Desync
    uint32_t seed = 0;   // Welcome: the session's seed
    std::string made;    // Welcome: when the session began, host time
    Decision decision;   // Decision
    uint32_t ack = 0;    // Input: ticks held; Ticks: input held
    uint32_t epoch = 0;  // Input: the last reset the sender has run
    uint32_t first = 0;  // Input, Ticks: the tick of the first entry
    std::vector<std::vector<uint8_t>> inputs;    // Input: own key-downs, tick by tick from first
    std::vector<TickData> ticks;                 // Ticks: tick by tick from first
    std::vector<std::array<uint32_t, 2>> hashes; // Input: (tick, hash) after ticks run
    uint32_t stamp = 0;                          // Ping, Pong; Welcome: ms until your first tick
};

std::vector<uint8_t> Encode(const Message& message);
// False for anything that is not a whole, well-formed message of this version.
bool Decode(const uint8_t* data, size_t size, Message& message);

} // namespace net
