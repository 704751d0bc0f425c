// sim: plays rounds of computer worms, and of human ones from a key script, on the headless back
// end and the virtual clock.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fstream>

#include "game/records.h"
#include "platform/surface.h"
#include "tools/sim/session.h"
#include "tools/sim/simulator.h"

namespace {

const char kHelp[] = R"(usage: sim [options]

Plays rounds with the game's own rules on the headless back end: computer worms, and human ones
pressing the keys of a key script; no window, no sound, a virtual millisecond clock. Run it in a
game directory to have the graphics drawn.

  --prefs FILE       the players, kinds and settings: a prefs.prf, read as the game reads it
                     (records zero-filled, then up to 217 bytes from GameRecord byte 152)
  --preset NAME      built-in players instead: duel (2), trio (3) or mixed (4, default) computer
                     worms; humans (4 human worms owning the sixteen abilities between them) or
                     pair (2 human worms sharing their fire key, 2 computer worms), both with keys
  --write-prefs FILE write the 217 bytes in use (after the options below) and go on
  --seed N           virtual clock at the first round, which seeds it (default 1)
  --ticks N          ticks to run after the first round is set up (default 10000)
  --rounds N         stop once N rounds have ended (not with --trace)
  --game-speed N     set gameSpeed: one tick is 2 * N + 10 virtual milliseconds
  --worm-speed N     set every profile's speed (moves on N of every 6 ticks)
  --blocks N         set blockCount
  --auto-start 0|1   set Auto Start (0 plays one round; 1 starts the next one 38 ticks after
                     the results, with F8's handling)
  --all-abilities    every worm owns all sixteen abilities in every round, on top of its profile's
                     (not with --trace or --verify: the start line holds only the prefs)
  --keys FILE        a key script: one "TICK CODE" a line (decimal; '#' starts a comment). Each
                     line is one key-down with that key code, handled as the window handles it
                     (key capture, then F5 116, F8 119 and every player's bindings) just before
                     tick TICK (1 or later) runs; the lines of one tick in file order. A
                     malformed line stops the run with exit status 2.
  --no-pictures      no picture is loaded or drawn (no window surface, no bitmap file read, no
                     message box): the rules alone, as fast as they go; traces are the same
  --png FILE         write the final surface as a PNG
  --trace FILE       write the trace described below ("-" for standard output)
  --verify FILE      replay a trace from its start line and its key-downs and report the first
                     differing tick and field; exit status 1 on a difference
  --record FILE      write the first round as the window records it, a replay to play back
  --replay FILE      play a replay the game recorded (replays/*.t4replay) and check every
                     checkpoint; exit status 1 naming the first tick that went differently, 2 for
                     a file that is not a replay (with --trace: a line for each tick)
  --session          play as a session across machines does: no first round, the title screen
                     and the rule state from nothing, each round's seed drawn from --seed
  --host PORT        be the host of a session over UDP (0: any free port, said on standard
                     error): wait for the others (--machines N, 2 unless said, four at most),
                     then play --ticks ticks with everyone in; the seed is --seed
  --join HOST:PORT   join a session there with this machine's player (the first human slot of
                     --prefs or --preset)
                     In a session --keys holds the keys pressed on this machine, which its own
                     players' bindings turn into their seats' keys (the host's F5 and F8 go as
                     they are); TICK 1 is the first tick with everyone in, and --trace writes
                     the ticks from there (sim --verify checks such a trace)
  --paced            in a session, ticks are due on this machine's own grid of periods, as the
                     game's timer has them: each deadline is the one before plus the period, a
                     tick whose input is not all there runs as soon as it is, and periods gone by
                     meanwhile are dropped. It says "sim: everyone is in at tick N" on standard
                     error as that tick runs, and at the end one line more:
                       sim: paced: N ticks, L late, longest stall S ms (R ms after 100 ticks),
                       K slow, B bytes sent, T s
                     over the ticks after the one everyone was first in: L ran more than 2 ms
                     after their deadline because their input was not all there; S is the
                     longest any waited for it beyond its deadline, R the same without the
                     first 100 (while the last machine in finds its pace); K ran more than 2 ms
                     late with their input there (the machine was busy); B is what this machine
                     sent (messages alone, without the transport's headers) in those T seconds
  --check            check invariants after every tick (headings and missile deltas in -1..1,
                     playersLeft in a state of the round and equal to the worms still in while
                     the round runs, cells 0 or 1, boxes and flying missiles on the field)
  --quiet            no line per round
  --help             this text

Each tick advances the virtual clock by 2 * gameSpeed + 10 ms, hands the window the tick's
key-downs, and then runs what the tick timer runs: animFrame + 1 (after 5 comes 0); on the title
screen the ticker and the two boxes; in a round GameTick. Pauses inside a tick (explosions) add
their milliseconds to the clock. Every NewRound reseeds the generator from the clock, so the
seed, the prefs and the key-downs decide the run. Without a key script human worms go straight
on. At the end the ticks per second of wall time.

Trace (--trace), JSON Lines, one object per line:
  {"event":"start","prefs":"<434 hex digits: the 217 bytes>","seed":N,"ticks":N}
  then {"tick":0,...} for the state after the first NewRound and {"tick":T,...} after tick T.
  Every tick line holds, in this order:
    "draws"        every value the random generator returned during that step, in order,
                   before any reduction modulo n (the key-downs' first, then the tick's)
    "keyDowns"     the key codes handled just before the tick, in order; only on the lines of
                   ticks that had any
    "screenMode", "headX", "headY", "dirX", "dirY" (4 each), "missileX", "missileY",
    "missileDX", "missileDY" (12 each, slot k of player p at 3p + k), "animFrame",
    "autoStart", "activePlayer", "out", "boxX", "boxY", "boxAmmo", "ammo", "abilityBits",
    "bombX", "bombY", "turboState", "tripleDX", "tripleDY", "tripleTimer", "missileTimer"
    (4 each), "speedPhase", "rank" (4), "playersLeft", "remoteMode" (4), "starX", "starY",
    "starSpeed" (100 each)
    "cells"        FNV-1a 64-bit hash (offset basis 0xcbf29ce484222325, prime 0x100000001b3)
                   of the 9600 cell bytes in stored order (x * 80 + y), 16 lowercase hex digits
  Integers are decimal as stored: signed fields signed, byte fields unsigned except ammo,
  which is signed; abilityBits unsigned 32-bit.
)";

bool rankingLines = true;

void PrintRound(const sim::RoundResult& r) {
    if (!rankingLines) return;
    std::printf("round %d (ticks %ld..%ld):", r.number, r.startTick, r.endTick);
    for (int place = 1; place <= 4; ++place)
        for (int p = 0; p < 4; ++p)
            if (r.rank[p] == place && r.kind[p] != kNoPlayer)
                std::printf("  %d. %s (slot %d)", place, r.name[p].empty() ? "?" : r.name[p].c_str(), p);
    std::printf("\n");
}

long Number(const char* text) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!end || *end) {
        std::fprintf(stderr, "sim: not a number: %s\n", text);
        std::exit(2);
    }
    return value;
}

} // namespace

int main(int argc, char** argv) {
    sim::Config config;
    sim::SessionConfig network;
    bool joining = false;
    sim::PresetPrefs("mixed", config.prefs);
    config.seed = 1;
    config.ticks = 10000;
    const char *png = nullptr, *tracePath = nullptr, *verify = nullptr, *writePrefs = nullptr,
               *replayPath = nullptr;
    long gameSpeed = -1, wormSpeed = -1, blocks = -1, autoStart = -1;
    bool pictures = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "sim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (a == "--prefs") {
            const char* path = value();
            if (!sim::ReadPrefsFile(path, config.prefs)) {
                std::fprintf(stderr, "sim: cannot read %s\n", path);
                return 2;
            }
        } else if (a == "--preset") {
            const char* name = value();
            if (!sim::PresetPrefs(name, config.prefs)) {
                std::fprintf(stderr, "sim: no preset %s (duel, trio, mixed, humans, pair)\n", name);
                return 2;
            }
        } else if (a == "--write-prefs") {
            writePrefs = value();
        } else if (a == "--seed") {
            config.seed = static_cast<uint32_t>(Number(value()));
        } else if (a == "--ticks") {
            config.ticks = Number(value());
        } else if (a == "--rounds") {
            config.rounds = static_cast<int>(Number(value()));
        } else if (a == "--game-speed") {
            gameSpeed = Number(value());
        } else if (a == "--worm-speed") {
            wormSpeed = Number(value());
        } else if (a == "--blocks") {
            blocks = Number(value());
        } else if (a == "--auto-start") {
            autoStart = Number(value());
        } else if (a == "--all-abilities") {
            for (const AbilityInfo& ability : kAbilities) config.extraAbilities |= AbilityBit(ability.id);
        } else if (a == "--png") {
            png = value();
        } else if (a == "--trace") {
            tracePath = value();
        } else if (a == "--verify") {
            verify = value();
        } else if (a == "--record") {
            config.record = value();
        } else if (a == "--replay") {
            replayPath = value();
        } else if (a == "--keys") {
            const char* path = value();
            std::ifstream script(path);
            std::string error;
            if (!script) {
                std::fprintf(stderr, "sim: cannot read %s\n", path);
                return 2;
            }
            if (!sim::ReadKeyScript(script, config.keys, error)) {
                std::fprintf(stderr, "sim: %s %s\n", path, error.c_str());
                return 2;
            }
        } else if (a == "--no-pictures") {
            pictures = false;
        } else if (a == "--session") {
            config.session = true;
        } else if (a == "--host") {
            network.host = true;
            network.port = static_cast<uint16_t>(Number(value()));
        } else if (a == "--machines") {
            network.machines = static_cast<int>(Number(value()));
        } else if (a == "--join") {
            std::string where = value();
            size_t colon = where.rfind(':');
            if (colon == std::string::npos) {
                std::fprintf(stderr, "sim: --join wants HOST:PORT\n");
                return 2;
            }
            network.address = where.substr(0, colon);
            network.port = static_cast<uint16_t>(Number(where.substr(colon + 1).c_str()));
            joining = true;
        } else if (a == "--paced") {
            network.paced = true;
        } else if (a == "--check") {
            config.checkInvariants = true;
        } else if (a == "--quiet") {
            rankingLines = false;
        } else {
            std::fprintf(stderr, "sim: unknown option %s (see --help)\n", a.c_str());
            return 2;
        }
    }

    if ((tracePath || verify) && config.extraAbilities) {
        std::fprintf(stderr, "sim: a trace cannot hold --all-abilities\n");
        return 2;
    }
    if (png && !pictures) {
        std::fprintf(stderr, "sim: nothing is drawn with --no-pictures; leave out --png\n");
        return 2;
    }
    if (verify && !config.keys.empty()) {
        std::fprintf(stderr, "sim: a trace replays its own key-downs; leave out --keys\n");
        return 2;
    }
    if (tracePath && config.rounds > 0) {
        std::fprintf(stderr, "sim: a trace runs all its ticks; leave out --rounds\n");
        return 2;
    }

    // The options edit the 217 bytes, so a trace's start line alone describes the run.
    auto* profiles = reinterpret_cast<PlayerProfile*>(config.prefs.data());
    if (gameSpeed >= 0) std::memcpy(config.prefs.data() + 176, &gameSpeed, 4);
    if (wormSpeed >= 0)
        for (int p = 0; p < 4; ++p) profiles[p].speed = static_cast<int8_t>(wormSpeed);
    if (blocks >= 0) {
        auto count = static_cast<int16_t>(blocks);
        std::memcpy(config.prefs.data() + 212, &count, 2);
    }
    if (autoStart >= 0) config.prefs[216] = static_cast<uint8_t>(autoStart);
    if (writePrefs && !sim::WritePrefsFile(writePrefs, config.prefs)) {
        std::fprintf(stderr, "sim: cannot write %s\n", writePrefs);
        return 2;
    }

    if (!AllocateRecords()) return 1;
    sim::OpenScreen(pictures);

    int status = 0;
    if (network.host || joining) {
        if (network.machines < 2 || network.machines > 4) {
            std::fprintf(stderr, "sim: --machines is 2, 3 or 4\n");
            return 2;
        }
        network.prefs = config.prefs;
        network.seed = config.seed;
        network.ticks = config.ticks;
        network.keys = config.keys;
        network.trace = tracePath ? std::fopen(tracePath, "wb") : nullptr;
        status = sim::RunSession(network);
        if (network.trace) std::fclose(network.trace);
    } else if (replayPath) {
        std::FILE* trace = tracePath ? std::fopen(tracePath, "wb") : nullptr;
        if (tracePath && !trace) {
            std::fprintf(stderr, "sim: cannot write %s\n", tracePath);
            return 2;
        }
        sim::Outcome outcome = sim::RunReplay(replayPath, trace);
        if (trace) std::fclose(trace);
        if (outcome.roundsStarted == 0) {
            std::fprintf(stderr, "sim: %s: %s\n", replayPath, outcome.failure.c_str());
            status = 2;
        } else if (!outcome.failure.empty()) {
            std::printf("%s: %s\n", replayPath, outcome.failure.c_str());
            status = 1;
        } else {
            std::printf("%s: %ld ticks, every checkpoint the same (%.3f s)\n", replayPath, outcome.ticks,
                        outcome.seconds);
        }
    } else if (verify) {
        std::string difference = sim::VerifyTrace(verify);
        if (difference.empty()) {
            std::printf("%s: every line matches\n", verify);
        } else {
            std::printf("%s: %s\n", verify, difference.c_str());
            status = 1;
        }
    } else {
        std::FILE* trace = nullptr;
        if (tracePath) {
            trace = std::strcmp(tracePath, "-") == 0 ? stdout : std::fopen(tracePath, "wb");
            if (!trace) {
                std::fprintf(stderr, "sim: cannot write %s\n", tracePath);
                return 2;
            }
            static char buffer[1 << 20];
            std::setvbuf(trace, buffer, _IOFBF, sizeof buffer);
            if (trace == stdout) rankingLines = false;
        }
        config.trace = trace;
        config.onRound = PrintRound;
        sim::Outcome outcome = sim::Run(config);
        if (trace && trace != stdout) std::fclose(trace);
        if (trace == stdout) std::fflush(stdout);
        std::FILE* report = trace == stdout ? stderr : stdout;
        std::fprintf(report, "ticks: %ld  rounds ended: %d  rounds started: %d  message boxes: %ld\n",
                     outcome.ticks, outcome.roundsEnded, outcome.roundsStarted, outcome.messageBoxes);
        std::fprintf(report, "wall time: %.3f s  ticks per second: %.0f\n", outcome.seconds,
                     outcome.seconds > 0 ? outcome.ticks / outcome.seconds : 0.0);
        if (!outcome.failure.empty()) {
            std::fprintf(report, "invariant broken at %s\n", outcome.failure.c_str());
            status = 3;
        } else if (config.checkInvariants) {
            std::fprintf(report, "invariants held on every tick\n");
        }
    }
    if (png && !plat::WriteSurfacePng(game->windowDC, png)) {
        std::fprintf(stderr, "sim: cannot write %s\n", png);
        status = status ? status : 2;
    }
    sim::CloseScreen();
    FreeRecords();
    return status;
}
