// The program's entry: the game runs in AppMain; the window goes when it returns.
#include "app/app.h"
#include "platform/sdl/runtime.h"

int main() {
    // The instance is our one module; show state 10 is "as the platform prefers".
    int code = AppMain(1, 10);
    plat::sdl::Shutdown();
    return code;
}
