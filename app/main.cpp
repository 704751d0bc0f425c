// The program's entry: options, then the game in AppMain; the window goes when it returns.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/input.h"
#include "game/records.h"
#include "net/service.h"
#include "platform/files.h"
#include "platform/window.h"
#include "replay/service.h"

namespace {

void PrintHelp() {
    std::printf("Usage: tarvel4 [--host [PORT] | --join HOST[:PORT] | --replay FILE | --help | --version]\n"
                "Tarvel 4: a real-time arcade game for up to four worms: on one keyboard, with game\n"
                "controllers, or on up to four computers at once.\n"
                "On the title screen, left-click a player slot for none, human or computer and\n"
                "right-click it to set that player up; F8 starts a round, F5 returns to the title.\n"
                "Every round is kept as a replay; --replay FILE (or File > Watch Last Round) plays one\n"
                "back: Space pauses, + and - change the speed, Escape ends it.\n"
                "--host [PORT] hosts a game others join (UDP port %u unless said; File > Host Game...\n"
                "does the same), --join HOST[:PORT] joins one (File > Join Game...).\n",
                net::kDefaultPort);
    if (!plat::DataFolder()[0])
        std::printf("Game files and preferences: the working directory\n");
    else if (!plat::ConfigFolder()[0])
        std::printf("Game data: %s\nPreferences: not kept (no home folder)\n", plat::DataFolder());
    else
        std::printf("Game data: %s\nPreferences: %sprefs.prf\nReplays: %sreplays/\n", plat::DataFolder(),
                    plat::ConfigFolder(), plat::ConfigFolder());
}

// Whether a key is a player's: one of the bindings, or any key while keys are being captured.
// The window leaves such keys to the game (F11, say, which otherwise toggles fullscreen).
bool KeyIsAPlayers(int key) {
    if (!game) return false;
    if (game->keyCaptureStep != 0) return true;
    for (uint8_t bound : game->keys)
        if (bound == key) return true;
    return false;
}

// The window's messages pass the session across machines first, then the replays; what they did
// is sorted out in the same order.
bool TakeMessage(plat::Msg msg, intptr_t first, intptr_t second) {
    return net::TakeMessage(msg, first, second) || replay::TakeMessage(msg, first, second);
}
void BeginMessage(plat::Msg msg, intptr_t first) {
    net::BeginMessage(msg, first);
    replay::BeginMessage(msg, first);
}
void EndMessage() {
    net::EndMessage();
    replay::EndMessage();
}
const MessageHooks kHooks = {TakeMessage, BeginMessage, EndMessage};

} // namespace

int main(int argc, char** argv) {
    std::string watch;
    net::Start session;
    if (argc == 3 && std::strcmp(argv[1], "--replay") == 0) {
        watch = argv[2];
    } else if (argc >= 2 && argc <= 3 && std::strcmp(argv[1], "--host") == 0) {
        session.mode = net::Start::Mode::Host;
        std::string address;
        if (argc == 3 && !net::ParseAddress(std::string("localhost:") + argv[2], address, session.port)) {
            std::fprintf(stderr, "tarvel4: not a port: %s\n", argv[2]);
            return 2;
        }
    } else if (argc == 3 && std::strcmp(argv[1], "--join") == 0) {
        session.mode = net::Start::Mode::Join;
        if (!net::ParseAddress(argv[2], session.address, session.port)) {
            std::fprintf(stderr, "tarvel4: not an address to join: %s (HOST or HOST:PORT)\n", argv[2]);
            return 2;
        }
    } else if (argc > 1) {
        // These options only print: they never open a window.
        if (std::strcmp(argv[1], "--version") == 0 && argc == 2) {
            std::printf("tarvel4 %s\n", TARVEL_VERSION);
            return 0;
        }
        if (std::strcmp(argv[1], "--help") == 0 && argc == 2) {
            PrintHelp();
            return 0;
        }
        std::fprintf(stderr, "tarvel4: unknown option %s\nTry 'tarvel4 --help'.\n", argv[1]);
        return 2;
    }
    plat::SetKeyClaim(KeyIsAPlayers);
    SetMessageHooks(&kHooks);
    replay::StartService(watch);
    net::StartService(session);
    // The instance is our one module; the window shows as the desktop prefers.
    int code = AppMain(1, plat::kShowDefault);
    net::StopService();
    replay::StopService();
    // Everything worth keeping is written by now. Letting go of the window talks to the X server,
    // and under Xvfb that has been seen to stall a closed game now and then, its window already
    // gone: it gets a few seconds, then the game leaves all the same.
    std::thread([code] {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        static const char message[] = "tarvel4: letting go of the window took too long; leaving\n";
        ssize_t written = write(2, message, sizeof message - 1);
        (void)written;
        std::_Exit(code);
    }).detach();
    plat::CloseWindowing();
    return code;
}
