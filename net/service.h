// Play across machines in the window: hosting (the title screen is the lobby: a left click on a
// slot cycles it through none, a human here, a seat open for another machine, a computer) and
// joining; the session's ticks, each machine's own keys turned into its seats' codes, what the
// host decides sent to everyone; stalls, drops and machines going out of step told to the player.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace net {

constexpr uint16_t kDefaultPort = 24840;

// What the command line asks for: a game to host on a port, or one to join ("host[:port]").
struct Start {
    enum class Mode { None, Host, Join } mode = Mode::None;
    uint16_t port = kDefaultPort;
    std::string address;
};
// Parses "host[:port]"; false for anything else.
bool ParseAddress(const std::string& text, std::string& host, uint16_t& port);

// From the start of the game to its end; what start asks for begins once the title screen is up.
void StartService(const Start& start);
void StopService();

// The window procedure's hooks (app/input.h), before the replays'.
bool TakeMessage(plat::Msg msg, intptr_t first, intptr_t second);
void BeginMessage(plat::Msg msg, intptr_t first);
void EndMessage();

} // namespace net
