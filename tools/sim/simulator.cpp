#include "tools/sim/simulator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cstring>
#include <fstream>

#include "app/input.h"
#include "game/records.h"
#include "game/round.h"
#include "game/timer.h"
#include "gfx/canvas.h"
#include "net/play.h"
#include "platform/clock.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "replay/playback.h"
#include "replay/recorder.h"

namespace sim {
namespace {

std::vector<int32_t>* drawSink = nullptr;

void RecordDraw(int32_t value) {
    if (drawSink) drawSink->push_back(value);
}

uint32_t TickPeriodMs() {
    return 2u * static_cast<uint32_t>(game->gameSpeed) + 10u;
}

constexpr uint32_t kF8 = 119; // the key that starts a round

// A key-down as the window takes it: its procedure, then the paint it asked for (the title screen
// after F5), which the message loop would hand it next.
void PressKey(uint32_t code) {
    int paints = plat::headless::PaintRequests();
    MainWindowProc(game->mainWindow, plat::Msg::KeyDown, static_cast<intptr_t>(code), 0);
    if (plat::headless::PaintRequests() != paints) MainWindowProc(game->mainWindow, plat::Msg::Paint, 0, 0);
}

// --- writing a line -----------------------------------------------------------------------------

void AppendInt(std::string& out, long long value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

template <typename T> void AppendValues(std::string& out, const char* name, const T* values, int count) {
    out += ",\"";
    out += name;
    out += "\":[";
    for (int i = 0; i < count; ++i) {
        if (i) out += ',';
        AppendInt(out, static_cast<long long>(values[i]));
    }
    out += ']';
}

// A field of a packed record, copied out element by element (its address may be unaligned).
template <typename T> void AppendArray(std::string& out, const char* name, const void* field, int count) {
    T values[100];
    std::memcpy(values, field, sizeof(T) * static_cast<size_t>(count));
    AppendValues(out, name, values, count);
}

template <typename T> void AppendScalar(std::string& out, const char* name, T value) {
    out += ",\"";
    out += name;
    out += "\":";
    AppendInt(out, static_cast<long long>(value));
}

// Four words picked from the per-player word triples, by a reader of one player's word (member
// pointers would lose the records' packing).
template <typename Read> void AppendWords(std::string& out, const char* name, Read read) {
    int16_t words[4];
    for (int p = 0; p < 4; ++p) words[p] = read(p);
    AppendValues(out, name, words, 4);
}

uint64_t CellsHash() {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (uint8_t cell : arena->cells) {
        hash ^= cell;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// --- reading a line -----------------------------------------------------------------------------

// The flat objects of a trace: each key with its raw value text, in order.
using Fields = std::vector<std::pair<std::string, std::string>>;

bool ParseFlat(const std::string& line, Fields& fields) {
    fields.clear();
    size_t i = line.find('{');
    if (i == std::string::npos) return false;
    ++i;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == ',')) ++i;
        if (i < line.size() && line[i] == '}') return true;
        if (i >= line.size() || line[i] != '"') return false;
        size_t keyEnd = line.find('"', i + 1);
        if (keyEnd == std::string::npos) return false;
        std::string key = line.substr(i + 1, keyEnd - i - 1);
        i = keyEnd + 1;
        while (i < line.size() && line[i] == ' ') ++i;
        if (i >= line.size() || line[i] != ':') return false;
        ++i;
        while (i < line.size() && line[i] == ' ') ++i;
        size_t start = i;
        if (i < line.size() && line[i] == '[') {
            i = line.find(']', i);
            if (i == std::string::npos) return false;
            ++i;
        } else if (i < line.size() && line[i] == '"') {
            i = line.find('"', i + 1);
            if (i == std::string::npos) return false;
            ++i;
        } else {
            while (i < line.size() && line[i] != ',' && line[i] != '}') ++i;
        }
        fields.emplace_back(key, line.substr(start, i - start));
    }
    return false;
}

std::vector<std::string> SplitArray(const std::string& value) {
    std::vector<std::string> items;
    if (value.size() < 2 || value.front() != '[') return {value};
    std::string inner = value.substr(1, value.size() - 2);
    size_t start = 0;
    while (start <= inner.size() && !inner.empty()) {
        size_t comma = inner.find(',', start);
        if (comma == std::string::npos) comma = inner.size();
        items.push_back(inner.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

const std::string* Find(const Fields& fields, const std::string& key) {
    for (const auto& [k, v] : fields)
        if (k == key) return &v;
    return nullptr;
}

std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"') return value.substr(1, value.size() - 2);
    return value;
}

// --- presets ------------------------------------------------------------------------------------

struct Worm {
    const char* name;
    Colour colour;
    uint8_t abilities[4];
    int8_t speed;
};

void PutWorm(Prefs& prefs, int p, const Worm& worm, int16_t kind = kComputer) {
    PlayerProfile profile{};
    std::strncpy(profile.name, worm.name, sizeof profile.name - 1);
    profile.color = worm.colour;
    std::memcpy(profile.abilities, worm.abilities, 4);
    profile.speed = worm.speed;
    std::memcpy(prefs.data() + p * sizeof(PlayerProfile), &profile, sizeof profile);
    std::memcpy(prefs.data() + 168 + 2 * p, &kind, 2);
}

// A human worm with its six keys: up, down, left, right, fire, special.
void PutHuman(Prefs& prefs, int p, const Worm& worm, const std::array<uint8_t, 6>& keys) {
    PutWorm(prefs, p, worm, kHuman);
    for (int b = 0; b < 6; ++b) prefs[188 + 4 * b + p] = keys[static_cast<size_t>(b)];
}

void PutSettings(Prefs& prefs, int32_t speed, int16_t blocks, uint8_t starfield, uint8_t autoWarp,
                 uint8_t fast) {
    std::memcpy(prefs.data() + 176, &speed, 4);
    prefs[187] = starfield;
    std::memcpy(prefs.data() + 212, &blocks, 2);
    prefs[214] = autoWarp;
    prefs[215] = fast;
    prefs[216] = 1; // Auto Start
}

void OrderByTick(KeyScript& keys) {
    std::stable_sort(keys.begin(), keys.end(),
                     [](const KeyDown& a, const KeyDown& b) { return a.tick < b.tick; });
}

// A decimal number of digits only, within max.
bool Decimal(const std::string& text, unsigned long long max, unsigned long long& value) {
    if (text.empty() || text.size() > 20) return false;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && value <= max;
}

} // namespace

bool ReadKeyScript(std::istream& in, KeyScript& keys, std::string& error) {
    keys.clear();
    std::string line;
    for (long number = 1; std::getline(in, line); ++number) {
        std::string text = line.substr(0, line.find('#'));
        std::vector<std::string> words;
        size_t at = 0;
        while ((at = text.find_first_not_of(" \t\r", at)) != std::string::npos) {
            size_t end = text.find_first_of(" \t\r", at);
            words.push_back(text.substr(at, end == std::string::npos ? end : end - at));
            at = end;
        }
        if (words.empty()) continue;
        unsigned long long tick = 0, code = 0;
        if (words.size() != 2 || !Decimal(words[0], 0x7FFFFFFF, tick) || tick < 1 ||
            !Decimal(words[1], 0xFFFFFFFF, code)) {
            error = "line " + std::to_string(number) +
                    ": expected TICK CODE (decimal, TICK 1 or more), got \"" + line + "\"";
            return false;
        }
        keys.push_back({static_cast<long>(tick), static_cast<uint32_t>(code)});
    }
    OrderByTick(keys);
    return true;
}

bool ReadPrefsFile(const char* path, Prefs& prefs) {
    prefs.assign(kPrefsBytes, 0);
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    size_t got = std::fread(prefs.data(), 1, kPrefsBytes, file);
    (void)got; // a short file fills only its first bytes, as in the game
    std::fclose(file);
    return true;
}

bool WritePrefsFile(const char* path, const Prefs& prefs) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    bool ok = std::fwrite(prefs.data(), 1, prefs.size(), file) == prefs.size();
    return std::fclose(file) == 0 && ok;
}

bool PresetPrefs(const std::string& name, Prefs& prefs) {
    prefs.assign(kPrefsBytes, 0);
    // Budgets of 6 or 7 points; the speed is the unspent points + 2, as Player Setup makes it.
    const Worm basher = {"Basher", 0x3030FF, {kBash, kTurbo, kWarp, 0}, 3};
    const Worm gunner = {"Gunner", 0xFF9030, {kMachineGun, kTripleMissile, 0, 0}, 2};
    const Worm boomer = {"Boomer", 0x30D030, {kJojo, kBombs, kWarpMissile, 0}, 3};
    const Worm nova = {"Nova", 0xD040D0, {kSuperNova, kBombMissile, 0, 0}, 2};
    const Worm remote = {"Remote", 0x40E0E0, {kRemoteMissile, kFastMissiles, 0, 0}, 2};
    const Worm shield = {"Shield", 0xE0E0E0, {kShield, kMegaMissiles, 0, 0}, 2};
    const Worm bomber = {"Bomber", 0x2080FF, {kSuperBombs, kTurbo, kWarpMissile, 0}, 3};
    const Worm jojo = {"Jojo", 0xFF40A0, {kJojo, kBash, 0, 0}, 3};
    if (name == "mixed") {
        PutWorm(prefs, 0, basher), PutWorm(prefs, 1, gunner), PutWorm(prefs, 2, boomer),
            PutWorm(prefs, 3, nova);
        PutSettings(prefs, 20, 10, 1, 0, 0);
    } else if (name == "trio") {
        PutWorm(prefs, 0, remote), PutWorm(prefs, 1, shield), PutWorm(prefs, 3, bomber);
        PutSettings(prefs, 10, 8, 0, 0, 1);
    } else if (name == "duel") {
        PutWorm(prefs, 1, remote), PutWorm(prefs, 2, jojo);
        PutSettings(prefs, 0, 12, 1, 1, 0);
    } else if (name == "humans") {
        // Each of the sixteen abilities with one of the four, on the keys the game's players use.
        PutHuman(prefs, 0, {"Arrows", 0x3030FF, {kBombs, kTurbo, kFastMissiles, kShield}, 3},
                 {38, 40, 37, 39, 17, 16});
        PutHuman(prefs, 1, {"Wasd", 0xFF9030, {kJojo, kSuperBombs, kBash, kBreak}, 3},
                 {87, 83, 65, 68, 81, 69});
        PutHuman(prefs, 2, {"Ijkl", 0x30D030, {kTripleMissile, kMachineGun, kMegaMissiles, kWarp}, 3},
                 {73, 75, 74, 76, 85, 79});
        PutHuman(prefs, 3, {"Numpad", 0xD040D0, {kRemoteMissile, kBombMissile, kWarpMissile, kSuperNova}, 3},
                 {104, 98, 100, 102, 96, 101});
        PutSettings(prefs, 20, 4, 1, 0, 0);
    } else if (name == "pair") {
        // Both humans fire with Ctrl.
        PutHuman(prefs, 0, {"Arrows", 0x3030FF, {kRemoteMissile, kTurbo, 0, 0}, 3}, {38, 40, 37, 39, 17, 16});
        PutHuman(prefs, 1, {"Wasd", 0xFF9030, {kTripleMissile, kBombs, 0, 0}, 3}, {87, 83, 65, 68, 17, 69});
        PutWorm(prefs, 2, gunner), PutWorm(prefs, 3, shield);
        PutSettings(prefs, 20, 6, 1, 0, 0);
    } else {
        return false;
    }
    return true;
}

std::string PrefsHex(const Prefs& prefs) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t b : prefs) hex += kDigits[b >> 4], hex += kDigits[b & 15];
    return hex;
}

bool PrefsFromHex(const std::string& hex, Prefs& prefs) {
    if (hex.size() != 2 * kPrefsBytes) return false;
    prefs.assign(kPrefsBytes, 0);
    for (size_t i = 0; i < kPrefsBytes; ++i) {
        unsigned value = 0;
        auto result = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, value, 16);
        if (result.ptr != hex.data() + 2 * i + 2) return false;
        prefs[i] = static_cast<uint8_t>(value);
    }
    return true;
}

std::string StartLine(const Prefs& prefs, uint32_t seed, long ticks, bool session) {
    std::string line = "{\"event\":\"start\",\"prefs\":\"" + PrefsHex(prefs) + "\",\"seed\":";
    AppendInt(line, seed);
    line += ",\"ticks\":";
    AppendInt(line, ticks);
    if (session) line += ",\"session\":1";
    line += "}";
    return line;
}

void AppendTraceLine(std::string& out, long tick, const std::vector<int32_t>& draws,
                     const std::vector<uint32_t>& keyDowns) {
    out += "{\"tick\":";
    AppendInt(out, tick);
    AppendValues(out, "draws", draws.data(), static_cast<int>(draws.size()));
    if (!keyDowns.empty()) AppendValues(out, "keyDowns", keyDowns.data(), static_cast<int>(keyDowns.size()));
    AppendScalar(out, "screenMode", game->screenMode);
    AppendArray<int16_t>(out, "headX", game->headX, 4);
    AppendArray<int16_t>(out, "headY", game->headY, 4);
    AppendArray<int16_t>(out, "dirX", game->dirX, 4);
    AppendArray<int16_t>(out, "dirY", game->dirY, 4);
    AppendArray<int16_t>(out, "missileX", game->missileX, 12);
    AppendArray<int16_t>(out, "missileY", game->missileY, 12);
    AppendArray<int16_t>(out, "missileDX", game->missileDX, 12);
    AppendArray<int16_t>(out, "missileDY", game->missileDY, 12);
    AppendScalar(out, "animFrame", game->animFrame);
    AppendScalar(out, "autoStart", game->autoStart);
    AppendScalar(out, "activePlayer", game->activePlayer);
    AppendArray<uint8_t>(out, "out", arena->out, 4);
    AppendArray<uint8_t>(out, "boxX", arena->boxX, 4);
    AppendArray<uint8_t>(out, "boxY", arena->boxY, 4);
    AppendArray<uint8_t>(out, "boxAmmo", arena->boxAmmo, 4);
    AppendArray<int8_t>(out, "ammo", arena->ammo, 4);
    AppendArray<uint32_t>(out, "abilityBits", arena->abilityBits, 4);
    AppendWords(out, "bombX", [](int p) { return arena->bombs[p].bombX; });
    AppendWords(out, "bombY", [](int p) { return arena->bombs[p].bombY; });
    AppendWords(out, "turboState", [](int p) { return arena->bombs[p].turboState; });
    AppendWords(out, "tripleDX", [](int p) { return arena->triples[p].tripleDX; });
    AppendWords(out, "tripleDY", [](int p) { return arena->triples[p].tripleDY; });
    AppendWords(out, "tripleTimer", [](int p) { return arena->triples[p].tripleTimer; });
    AppendArray<int16_t>(out, "missileTimer", arena->missileTimer, 4);
    AppendScalar(out, "speedPhase", arena->speedPhase);
    AppendArray<uint8_t>(out, "rank", arena->rank, 4);
    AppendScalar(out, "playersLeft", arena->playersLeft);
    AppendArray<uint8_t>(out, "remoteMode", arena->remoteMode, 4);
    AppendArray<int16_t>(out, "starX", stars->starX, 100);
    AppendArray<int16_t>(out, "starY", stars->starY, 100);
    AppendArray<int8_t>(out, "starSpeed", stars->starSpeed, 100);
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(CellsHash()));
    out += ",\"cells\":\"";
    out += hash;
    out += "\"}\n";
}

std::string CheckInvariants() {
    auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    int alive = 0;
    for (int p = 0; p < 4; ++p) {
        if (!in(game->dirX[p], -1, 1) || !in(game->dirY[p], -1, 1) || (game->dirX[p] && game->dirY[p]))
            return "direction of worm " + std::to_string(p) + " is not a heading";
        if (!in(arena->out[p], 0, 1)) return "out flag of worm " + std::to_string(p);
        if (!in(arena->remoteMode[p], 0, 1)) return "remote mode of worm " + std::to_string(p);
        if (arena->out[p] == 0) ++alive;
        if (arena->out[p] == 1 && !in(arena->rank[p], 1, 4)) return "place of worm " + std::to_string(p);
        if (!in(arena->boxAmmo[p], 0, 2)) return "contents of box " + std::to_string(p);
        bool boxOff = arena->boxX[p] == 246 && arena->boxY[p] == 246;
        if (!boxOff && (!in(arena->boxX[p], 7, 106) || !in(arena->boxY[p], 7, 66)))
            return "box " + std::to_string(p) + " off its area";
        if (!in(arena->bombs[p].turboState, -1, 0)) return "turbo state of worm " + std::to_string(p);
    }
    for (int m = 0; m < 12; ++m) {
        int dx = game->missileDX[m], dy = game->missileDY[m];
        if (!in(dx, -1, 1) || !in(dy, -1, 1)) return "delta of missile slot " + std::to_string(m);
        // Every flying missile has been stepped since it was set going, and a step that leaves the
        // field stops it (or wraps it).
        if ((dx || dy) && (!in(game->missileX[m], 0, 119) || !in(game->missileY[m], 0, 79)))
            return "missile slot " + std::to_string(m) + " flies outside the field";
    }
    for (uint8_t cell : arena->cells)
        if (cell > 1) return "a cell holds neither 0 nor 1";
    if (!in(arena->speedPhase, 1, 6)) return "movement phase " + std::to_string(arena->speedPhase);
    if (!in(game->animFrame, 0, 5)) return "animation frame";
    if (game->autoStart > 39) return "automatic restart count " + std::to_string(game->autoStart);
    int left = arena->playersLeft;
    if (game->screenMode == 2) {
        if (left <= 4) {
            if (left != alive)
                return "playersLeft " + std::to_string(left) + " with " + std::to_string(alive) +
                       " worms in the round";
        } else if (left >= 7 && left <= 30) {
            if (alive < 1) return "countdown with no worm left";
        } else {
            return "playersLeft " + std::to_string(left) + " is no state of a round";
        }
    }
    return {};
}

void OpenScreen(bool pictures) {
    plat::SkipPictures(!pictures);
    if (!pictures) return;
    game->windowDC = plat::CreateSurface(plat::kScreenWidth, plat::kScreenHeight);
    LoadSprites(); // stops quietly when the graphics are not there
}

void CloseScreen() {
    ReleaseSprites();
    plat::DestroySurface(game->windowDC);
    game->windowDC = 0;
    plat::SkipPictures(false);
}

Outcome Run(const Config& config) {
    Outcome outcome;
    Prefs prefs = config.prefs;
    prefs.resize(kPrefsBytes, 0);
    std::memcpy(PrefsBytes(game), prefs.data(), kPrefsBytes);

    std::vector<int32_t> draws;
    draws.reserve(4096);
    drawSink = &draws;
    SetRandomObserver(RecordDraw);
    std::vector<uint32_t> keyDowns;
    std::string line;
    auto emit = [&](long tick) {
        if (!config.trace) return;
        line.clear();
        AppendTraceLine(line, tick, draws, keyDowns);
        std::fwrite(line.data(), 1, line.size(), config.trace);
    };
    if (config.trace) {
        std::string start = StartLine(prefs, config.seed, config.ticks, config.session) + "\n";
        std::fwrite(start.data(), 1, start.size(), config.trace);
    }

    auto addAbilities = [&] {
        for (int p = 0; p < 4; ++p) arena->abilityBits[p] |= config.extraAbilities;
    };
    plat::headless::SetClock(config.seed);
    // The first round as a replay, when asked: as the window records it.
    replay::Recorder recorder;
    auto keep = [&](replay::End end) {
        if (!recorder.Recording()) return;
        std::ofstream file(config.record, std::ios::binary);
        file << replay::WriteReplay(recorder.Finish(end));
    };
    static net::SessionRules* rules = nullptr;
    net::SessionRules sessionRules(config.seed);
    if (config.session) {
        rules = &sessionRules;
        SetRoundSeedSource([] { return rules->NextRoundSeed(); });
        net::ZeroRuleState(config.seed);
        outcome.roundsStarted = 0;
    } else {
        if (!config.record.empty()) recorder.Begin(replay::Start::NewRound, config.seed, replay::TakeCarry());
        NewRound();
        addAbilities();
        if (recorder.Recording()) recorder.NoteStart();
        outcome.roundsStarted = 1;
    }
    long roundStart = 0;
    emit(0);
    draws.clear();

    const KeyScript& keys = config.keys;
    size_t nextKey = 0;
    auto began = std::chrono::steady_clock::now();
    for (long tick = 1; tick <= config.ticks; ++tick) {
        plat::headless::AdvanceClock(TickPeriodMs());
        keyDowns.clear();
        for (; nextKey < keys.size() && keys[nextKey].tick <= tick; ++nextKey) {
            if (keys[nextKey].tick < tick) continue; // no tick of the run comes before the first
            PressKey(keys[nextKey].code);
            keyDowns.push_back(keys[nextKey].code);
            if (keys[nextKey].code == kF8) keep(replay::End::NewRound);
            if (game->screenMode != 2) keep(replay::End::TitleScreen);
            recorder.Key(keys[nextKey].code);
            if (keys[nextKey].code == kF8) {
                addAbilities();
                ++outcome.roundsStarted;
                roundStart = tick;
            }
        }
        uint8_t leftBefore = arena->playersLeft;
        uint8_t autoBefore = game->autoStart;
        recorder.TickStarting();
        OnTick(); // what the tick timer runs every period
        if (recorder.TickRan()) keep(replay::End::Results);
        outcome.ticks = tick;
        emit(tick);
        draws.clear();
        outcome.messageBoxes += static_cast<long>(plat::headless::MessageBoxes().size());
        plat::headless::ClearMessageBoxes();
        if (config.checkInvariants && outcome.failure.empty()) {
            std::string broken = CheckInvariants();
            if (!broken.empty()) {
                outcome.failure = "tick " + std::to_string(tick) + ": " + broken;
                break;
            }
        }
        if (autoBefore == 39 && game->screenMode == 2) {
            addAbilities();
            ++outcome.roundsStarted;
            roundStart = tick;
        }
        if (leftBefore > 4 && arena->playersLeft == 0) {
            RoundResult result;
            result.number = ++outcome.roundsEnded;
            result.startTick = roundStart;
            result.endTick = tick;
            for (int p = 0; p < 4; ++p) {
                result.rank[p] = arena->rank[p];
                result.kind[p] = game->playerKind[p];
                result.name[p] = std::string(game->profiles[p].name,
                                             static_cast<size_t>(ProfileNameLength(game->profiles[p])));
            }
            if (config.onRound) config.onRound(result);
            if (config.rounds > 0 && outcome.roundsEnded >= config.rounds) break;
        }
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    keep(replay::End::Quit);
    if (config.session) SetRoundSeedSource(nullptr);
    SetRandomObserver(nullptr);
    drawSink = nullptr;
    return outcome;
}

Outcome RunReplay(const std::string& path, std::FILE* trace) {
    Outcome outcome;
    replay::Replay recorded;
    std::string error;
    if (!replay::LoadReplay(path, recorded, error)) {
        outcome.failure = error;
        return outcome;
    }
    Prefs prefs(recorded.prefs.begin(), recorded.prefs.end());
    replay::Playback playback(std::move(recorded));
    std::vector<int32_t> draws;
    drawSink = &draws;
    SetRandomObserver(RecordDraw);
    std::string line;
    auto emit = [&](long tick) {
        if (trace) {
            line.clear();
            AppendTraceLine(line, tick, draws);
            std::fwrite(line.data(), 1, line.size(), trace);
        }
        draws.clear();
    };
    if (trace) {
        std::string start = StartLine(prefs, 0, playback.Ticks()) + "\n";
        std::fwrite(start.data(), 1, start.size(), trace);
    }
    auto began = std::chrono::steady_clock::now();
    playback.Begin(false);
    outcome.roundsStarted = 1;
    emit(0);
    while (!playback.Done()) {
        playback.BeforeTick();
        plat::headless::AdvanceClock(TickPeriodMs());
        OnTick();
        outcome.ticks = playback.NextTick();
        bool same = playback.AfterTick();
        emit(outcome.ticks);
        if (!same) break;
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!playback.Error().empty()) outcome.failure = playback.Error();
    if (arena->playersLeft == 0 && playback.Error().empty()) outcome.roundsEnded = 1;
    SetRandomObserver(nullptr);
    drawSink = nullptr;
    plat::headless::ClearMessageBoxes();
    return outcome;
}

bool SameTraceLine(const std::string& expected, const std::string& actual, std::string& difference) {
    if (expected == actual) return true;
    Fields want, got;
    if (!ParseFlat(expected, want) || !ParseFlat(actual, got)) {
        difference = "a line that is no flat JSON object";
        return false;
    }
    for (const auto& [key, value] : want) {
        const std::string* other = Find(got, key);
        if (!other) {
            difference = "field \"" + key + "\" missing";
            return false;
        }
        if (*other == value) continue;
        std::vector<std::string> a = SplitArray(value), b = SplitArray(*other);
        for (size_t i = 0; i < a.size() || i < b.size(); ++i) {
            std::string x = i < a.size() ? a[i] : "(none)", y = i < b.size() ? b[i] : "(none)";
            if (x == y) continue;
            difference = "field \"" + key + "\"";
            if (value.front() == '[') difference += "[" + std::to_string(i) + "]";
            difference += ": expected " + x + ", got " + y;
            return false;
        }
    }
    for (const auto& [key, value] : got)
        if (!Find(want, key)) {
            difference = "unexpected field \"" + key + "\"";
            return false;
        }
    difference = "the same fields written differently";
    return false;
}

bool ParseStartLine(const std::string& line, Prefs& prefs, uint32_t& seed, long& ticks, bool* session) {
    Fields fields;
    if (!ParseFlat(line, fields)) return false;
    const std::string* event = Find(fields, "event");
    const std::string* hex = Find(fields, "prefs");
    const std::string* seedText = Find(fields, "seed");
    const std::string* ticksText = Find(fields, "ticks");
    if (!event || Unquote(*event) != "start" || !hex || !seedText || !ticksText) return false;
    if (!PrefsFromHex(Unquote(*hex), prefs)) return false;
    seed = static_cast<uint32_t>(std::strtoul(seedText->c_str(), nullptr, 10));
    ticks = std::strtol(ticksText->c_str(), nullptr, 10);
    if (session) *session = Find(fields, "session") != nullptr;
    return true;
}

std::string VerifyTrace(const char* path) {
    std::ifstream file(path);
    std::string first;
    if (!file || !std::getline(file, first)) return std::string("cannot read ") + path;
    Config config;
    if (!ParseStartLine(first, config.prefs, config.seed, config.ticks, &config.session))
        return "no start line";
    // The key-downs first: each tick line names those handled just before its tick.
    for (std::string text; std::getline(file, text);) {
        if (text.find("\"keyDowns\"") == std::string::npos) continue;
        Fields fields;
        const std::string *tick = nullptr, *codes = nullptr;
        if (ParseFlat(text, fields)) tick = Find(fields, "tick"), codes = Find(fields, "keyDowns");
        if (!tick || !codes) return "a line with key-downs that cannot be read: " + text.substr(0, 80);
        for (const std::string& code : SplitArray(*codes))
            config.keys.push_back({std::strtol(tick->c_str(), nullptr, 10),
                                   static_cast<uint32_t>(std::strtoul(code.c_str(), nullptr, 10))});
    }
    OrderByTick(config.keys);
    file.clear();
    file.seekg(0);
    std::getline(file, first);
    std::FILE* replay = std::tmpfile();
    if (!replay) return "no scratch file";
    config.trace = replay;
    Run(config);
    std::rewind(replay);
    std::string expected, actual;
    char buffer[1 << 14];
    auto readLine = [&](std::string& out) {
        out.clear();
        while (std::fgets(buffer, sizeof buffer, replay)) {
            out += buffer;
            if (!out.empty() && out.back() == '\n') {
                out.pop_back();
                return true;
            }
        }
        return !out.empty();
    };
    std::string result;
    readLine(actual); // the start line, rebuilt from the same values
    if (actual != first) result = "the start line differs";
    long tick = 0;
    while (result.empty()) {
        bool haveExpected = static_cast<bool>(std::getline(file, expected));
        bool haveActual = readLine(actual);
        if (!haveExpected && !haveActual) break;
        if (haveExpected != haveActual) {
            result = "tick " + std::to_string(tick) + ": " +
                     (haveExpected ? "replay ended early" : "replay runs longer");
            break;
        }
        std::string difference;
        if (!SameTraceLine(expected, actual, difference))
            result = "tick " + std::to_string(tick) + ": " + difference;
        ++tick;
    }
    std::fclose(replay);
    return result;
}

} // namespace sim
