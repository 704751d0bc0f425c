#include <cstdint>

#include "platform/window.h"
#include "resources/resources.h"

namespace {

const plat::MenuItem kTarvMenu[] = {
    {"&File", "&NewGame", kCmdNewGame},
    {"&File", nullptr, 0},
    {"&File", "&Quit", kCmdQuit},
    {"&File", nullptr, 0},
    {"&File", "&Watch Last Round", kCmdWatchLastRound},
    {"&File", "&Host Game...", kCmdHostGame},
    {"&File", "&Join Game...", kCmdJoinGame},
    {"&Tarvel 4", "&Option...", kCmdOption},
    {"&Tarvel 4", nullptr, 0},
    {"&Tarvel 4", "About...", kCmdAbout},
};

// RGBA bytes in memory order, as the platform wants them.
constexpr uint32_t Rgba(uint32_t r, uint32_t g, uint32_t b) {
    return r | g << 8 | b << 16 | 0xFFu << 24;
}

} // namespace

// A worm curling round an ammunition box on a night-blue field, drawn in 2-pixel cells.
void MakeIcon(uint32_t* pixels) {
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) {
            int d = x + y;
            pixels[y * kIconSize + x] = Rgba(10, 10, 40 + d * 2);
        }
    auto cell = [&](int cx, int cy, uint32_t colour) {
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x) {
                int px = cx * 2 + x, py = cy * 2 + y;
                if (px >= 0 && px < kIconSize && py >= 0 && py < kIconSize)
                    pixels[py * kIconSize + px] = colour;
            }
    };
    // The trail: up the left, across the top, down the right, back in towards the box.
    const uint32_t trail = Rgba(255, 48, 48);
    for (int y = 13; y >= 2; --y) cell(2, y, trail);
    for (int x = 2; x <= 13; ++x) cell(x, 2, trail);
    for (int y = 2; y <= 13; ++y) cell(13, y, trail);
    for (int x = 13; x >= 7; --x) cell(x, 13, trail);
    cell(7, 13, Rgba(255, 255, 255)); // the head
    // The box in the middle: yellow with a dark cross.
    for (int y = 5; y <= 10; ++y)
        for (int x = 5; x <= 10; ++x) {
            bool edge = x == 5 || x == 10 || y == 5 || y == 10;
            bool cross = x == 7 || x == 8 || y == 7 || y == 8;
            cell(x, y, edge ? Rgba(160, 110, 0) : cross ? Rgba(120, 70, 0) : Rgba(255, 220, 0));
        }
}

void RegisterResources() {
    plat::RegisterMenuResource("TARVMENU", kTarvMenu,
                               static_cast<int>(sizeof kTarvMenu / sizeof kTarvMenu[0]));
    static uint32_t icon[kIconSize * kIconSize];
    MakeIcon(icon);
    plat::RegisterIconResource("TARVICON", kIconSize, kIconSize, icon);
}
