// Replays in the window: every round played is recorded as it is played and kept in the player's
// replays folder; a replay is watched with its sound and music, at the speed it was played (Space
// pauses, + and - step through x1, x2, x4, x8, Escape or F5 ends it), the player's own settings
// untouched.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace replay {

// The service takes the ticks and the rounds' seeds from the start of the game to its end; a
// replay named here is watched as soon as the title screen is up.
void StartService(const std::string& watchAtStart = "");
// Keeps the round being recorded (the game is over).
void StopService();

// Around each message the window procedure handles: TakeMessage answers true for one the service
// handles itself (keys while a replay is watched); EndMessage records what the message did.
bool TakeMessage(plat::Msg msg, intptr_t first, intptr_t second);
void BeginMessage(plat::Msg msg, intptr_t first);
void EndMessage();

// Watches a replay file ("": the newest one); a file that is no replay is said so in a message
// box and the title screen stays.
void Watch(const std::string& path);
bool Watching();

// How many replays the folder keeps.
constexpr int kKeptReplays = 50;
// What the menu item is called.
constexpr const char* kWatchItem = "&Watch Last Round";

// The tick feed and the seed source of the service, for a session across machines that feeds the
// ticks itself and records its rounds through these: a round's beginning (made names it the same
// on every machine), the key-downs of each tick; ResumeService takes the ticks back.
bool BeforeTick();
void AfterTick();
void NoteNewRound(uint32_t seed, const std::string& made = "");
void NoteKey(uint32_t code);
void ResumeService();

} // namespace replay
