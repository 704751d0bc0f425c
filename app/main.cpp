// The program's entry: options, then the game in AppMain; the window goes when it returns.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/app.h"
#include "game/records.h"
#include "platform/files.h"
#include "platform/window.h"
#include "replay/service.h"

namespace {

void PrintHelp() {
    std::printf("Usage: tarvel4 [--replay FILE | --help | --version]\n"
                "Tarvel 4: a real-time arcade game for up to four worms on one keyboard.\n"
                "On the title screen, left-click a player slot for none, human or computer and\n"
                "right-click it to set that player up; F8 starts a round, F5 returns to the title.\n"
                "Every round is kept as a replay; --replay FILE (or File > Watch Last Round) plays one\n"
                "back: Space pauses, + and - change the speed, Escape ends it.\n");
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

} // namespace

int main(int argc, char** argv) {
    std::string watch;
    if (argc == 3 && std::strcmp(argv[1], "--replay") == 0) {
        watch = argv[2];
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
    replay::StartService(watch);
    // The instance is our one module; the window shows as the desktop prefers.
    int code = AppMain(1, plat::kShowDefault);
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
