#include "game/keys.h"

#include "game/actions.h"
#include "game/records.h"
#include "game/round.h"
#include "platform/window.h"

void HandleKey(unsigned key) {
    if (key == kKeyF5) ReturnToTitle();
    if (key == kKeyF8) NewRound();
    // Bindings are bytes: a key code above 255 matches none of them.
    static const unsigned kActions[6] = {kActUp, kActDown, kActLeft, kActRight, kActFire, kActSpecial};
    for (int p = 0; p < 4; ++p)
        for (int b = 0; b < 6; ++b)
            if (key == game->keys[4 * b + p]) PlayerAction(kActions[b], p);
}

void ReturnToTitle() {
    if (game->autoStart > 1) game->autoStart = 1; // no automatic restart behind the title screen
    game->screenMode = 1;
    plat::RequestPaint(game->mainWindow);
}

void PressNewRoundKey() {
    HandleKey(kKeyF8);
}
