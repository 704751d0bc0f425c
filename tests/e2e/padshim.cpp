// For the controllers' end-to-end run only (pads.sh), never part of the game: preloaded into the
// real game, it obeys the commands written to the FIFO that TARVEL_PAD_FIFO names, one a line
// (virtual_pads.h: attach, detach, press, release, axis; and "tap K BUTTON", a press released
// once the game has read the controllers), each time the game reads its controllers, on the
// game's own thread. Every command done is logged to stderr as "padshim: COMMAND: done" (or
// FAILED).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/sdl/testing/virtual_pads.h"

namespace {

int fifo = -2; // not yet opened
std::string unread;
std::vector<std::string> afterRead; // releases of taps, due once the game has seen the press

void Obey(const std::string& line) {
    bool ok;
    if (line.rfind("tap ", 0) == 0) {
        ok = plat::sdl::testing::ObeyPadCommand("press " + line.substr(4));
        afterRead.push_back("release " + line.substr(4));
    } else {
        ok = plat::sdl::testing::ObeyPadCommand(line);
    }
    std::fprintf(stderr, "padshim: %s: %s\n", line.c_str(), ok ? "done" : "FAILED");
}

void ReadCommands() {
    if (fifo == -2) {
        const char* path = std::getenv("TARVEL_PAD_FIFO");
        // Read and write, so the FIFO never reads as ended between two writers.
        fifo = path ? open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC) : -1;
    }
    if (fifo < 0) return;
    char block[512];
    ssize_t n;
    while ((n = read(fifo, block, sizeof block)) > 0) unread.append(block, static_cast<size_t>(n));
    for (size_t end; (end = unread.find('\n')) != std::string::npos;) {
        std::string line = unread.substr(0, end);
        unread.erase(0, end + 1);
        if (!line.empty()) Obey(line);
    }
}

template <typename F> F Real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

// The game reads its controllers here, on its own thread, every turn of its loop and before each
// wait: commands are obeyed first, and a tap's press has been seen once the real update has run.
extern "C" void SDL_GameControllerUpdate() {
    static const auto real = Real<void (*)()>("SDL_GameControllerUpdate");
    ReadCommands();
    real();
    for (const std::string& line : std::exchange(afterRead, {})) Obey(line);
}
