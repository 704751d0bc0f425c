// The headless simulator's engine: plays rounds on the records and the virtual clock exactly as
// the game's tick would, and writes or checks a per-tick trace. Used by the sim tool, the
// benchmark and the trace regression test. The caller allocates the records and the surface.
#pragma once
#include <cstdint>
#include <cstdio>
#include <istream>
#include <string>
#include <vector>

namespace sim {

constexpr std::size_t kPrefsBytes = 217;
using Prefs = std::vector<uint8_t>; // the 217 bytes of prefs.prf

// Reads a prefs file as the game does: zero-filled, then up to 217 bytes. False when unreadable.
bool ReadPrefsFile(const char* path, Prefs& prefs);
bool WritePrefsFile(const char* path, const Prefs& prefs);
// A built-in set of computer worms: "duel" (2), "trio" (3), "mixed" (4); false for another name.
bool PresetPrefs(const std::string& name, Prefs& prefs);
std::string PrefsHex(const Prefs& prefs);
bool PrefsFromHex(const std::string& hex, Prefs& prefs);

// One key-down of a key script: delivered through the window procedure just before the OnTick of
// its tick (1 or later).
struct KeyDown {
    long tick;
    uint32_t code;
};
using KeyScript = std::vector<KeyDown>;

// Reads a key script: one "TICK CODE" a line, both decimal, '#' starting a comment; blank lines
// are skipped. The key-downs come out ordered by tick, file order kept within a tick. False on a
// malformed line, with error naming the line (1 is the first).
bool ReadKeyScript(std::istream& in, KeyScript& keys, std::string& error);

struct RoundResult {
    int number;      // 1, 2, ...
    long startTick;  // tick whose NewRound began it (0 for the first)
    long endTick;    // tick in which the results appeared
    uint8_t rank[4]; // place of each slot
    int16_t kind[4]; // playerKind at the end
    std::string name[4];
};

struct Config {
    Prefs prefs;       // loaded into GameRecord from byte 152
    uint32_t seed = 0; // the virtual clock at the first NewRound
    long ticks = 1000; // ticks after the first NewRound
    int rounds = 0;    // stop once this many rounds have ended (0: run all ticks)
    bool checkInvariants = false;
    // Abilities every worm owns in every round on top of its profile's (bits of abilityBits), so a
    // soak can put each one in play; a trace does not record them.
    uint32_t extraAbilities = 0;
    KeyScript keys;             // ordered by tick
    std::FILE* trace = nullptr; // JSON Lines trace, when set
    std::string record;         // a replay of the first round is written here, when set
    // As a session across machines plays: the rule state from nothing on the title screen (no
    // first round), the seed the session's, each round's seed drawn from it.
    bool session = false;
    void (*onRound)(const RoundResult&) = nullptr;
};

struct Outcome {
    long ticks = 0; // ticks run
    int roundsEnded = 0;
    int roundsStarted = 0;
    long messageBoxes = 0; // recorded (missing bitmaps and the like) and cleared each tick
    double seconds = 0;    // wall time of the tick loop
    std::string failure;   // first broken invariant, with its tick; empty when none
};

// The window's surface for the records, with the game's sprite sets when the pictures are in the
// working directory; or, with pictures off, no surface at all: then no bitmap file is read, nothing
// is drawn and no picture fails. The rules play the same either way.
void OpenScreen(bool pictures);
void CloseScreen();

// Loads the prefs, runs the first NewRound and the ticks.
Outcome Run(const Config& config);
// Plays a replay's round (replay/file.h) and checks every checkpoint; the trace, when given, has a
// line for each tick. failure names the first tick that went differently.
Outcome RunReplay(const std::string& path, std::FILE* trace);

// One trace line for the state as it stands, with the generator values drawn during the step and
// the key-downs handled in it (the field is left out when there were none).
void AppendTraceLine(std::string& out, long tick, const std::vector<int32_t>& draws,
                     const std::vector<uint32_t>& keyDowns = {});
std::string StartLine(const Prefs& prefs, uint32_t seed, long ticks, bool session = false);
// A broken invariant of the state after a step, or empty.
std::string CheckInvariants();

// Compares two trace lines; on a difference describes the first differing field (and index).
bool SameTraceLine(const std::string& expected, const std::string& actual, std::string& difference);
// Parses a start line; false when it is not one.
bool ParseStartLine(const std::string& line, Prefs& prefs, uint32_t& seed, long& ticks,
                    bool* session = nullptr);
// Replays a trace file, its key-downs included, and compares every line; empty when it matches,
// else the first difference.
std::string VerifyTrace(const char* path);

} // namespace sim
