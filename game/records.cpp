#include "game/records.h"

#include <cstring>

#include "platform/clock.h"
#include "platform/memory.h"

GameRecord* game = nullptr;
ArenaRecord* arena = nullptr;
StarfieldBuffer* stars = nullptr;

uint8_t* PrefsBytes(GameRecord* record) {
    return reinterpret_cast<uint8_t*>(record) + kPrefsOffset;
}
uint8_t* SettingsBytes(GameRecord* record) {
    return reinterpret_cast<uint8_t*>(record) + kSettingsOffset;
}

bool AllocateRecords() {
    auto* g = static_cast<GameRecord*>(plat::AllocateZeroed(sizeof(GameRecord)));
    auto* a = static_cast<ArenaRecord*>(plat::AllocateZeroed(sizeof(ArenaRecord)));
    auto* s = static_cast<StarfieldBuffer*>(plat::AllocateZeroed(sizeof(StarfieldBuffer)));
    if (!g || !a || !s) {
        plat::FreeBlock(g);
        plat::FreeBlock(a);
        plat::FreeBlock(s);
        return false;
    }
    game = g;
    arena = a;
    stars = s;
    return true;
}

void FreeRecords() {
    plat::FreeBlock(game);
    plat::FreeBlock(arena);
    plat::FreeBlock(stars);
    game = nullptr;
    arena = nullptr;
    stars = nullptr;
}

void SetCell(int x, int y, uint8_t value) {
    if (x >= 0 && x < kColumns && y >= 0 && y < kRows) arena->cells[x * kRows + y] = value;
}

int GetCell(int x, int y) {
    if (x < 0 || x >= kColumns || y < 0 || y >= kRows) return -1;
    return arena->cells[x * kRows + y];
}

const AbilityInfo kAbilities[16] = {
    {kFastMissiles, "Fast Missiles (cost 2)", 2},
    {kBombs, "Bombs (cost 2)", 2},
    {kTurbo, "Turbo (cost 1)", 1},
    {kBash, "Bash (cost 3)", 3},
    {kTripleMissile, "Triple Missile (cost 3)", 3},
    {kMegaMissiles, "Mega Missiles (cost 3)", 3},
    {kSuperBombs, "Super Bombs (cost 4)", 4},
    {kShield, "Shield (cost 4)", 4},
    {kBombMissile, "Bomb Missile (cost 3)", 3},
    {kSuperNova, "Super Nova(cost 4)", 4},
    {kWarp, "Warp (cost 2)", 2},
    {kMachineGun, "Machine Gun (cost 4)", 4},
    {kBreak, "Break (cost 2)", 2},
    {kJojo, "Jojo (cost 3)", 3},
    {kWarpMissile, "Warp Missile (cost 1)", 1},
    {kRemoteMissile, "Remote Missile (cost 5)", 5},
};

int AbilityCost(int id) {
    for (const AbilityInfo& a : kAbilities)
        if (a.id == id) return a.cost;
    return 0;
}

uint32_t AbilityBit(int id) {
    return id >= 1 && id <= kMaxAbilityId ? 1u << (id - 1) : 0u;
}

int ProfileNameLength(const PlayerProfile& profile) {
    const void* nul = std::memchr(profile.name, 0, sizeof profile.name);
    return nul ? static_cast<int>(static_cast<const char*>(nul) - profile.name)
               : static_cast<int>(sizeof profile.name);
}

namespace {
// The classic linear congruential generator of the C runtimes of the game's era: 15-bit values.
uint32_t randomState = 1;
void (*randomObserver)(int32_t) = nullptr;
} // namespace

void SeedRandom(uint32_t seed) {
    randomState = seed;
}

int32_t Random() {
    randomState = randomState * 214013u + 2531011u;
    auto value = static_cast<int32_t>((randomState >> 16) & 0x7FFF);
    if (randomObserver) randomObserver(value);
    return value;
}

uint32_t RandomState() {
    return randomState;
}

void SetRandomObserver(void (*observer)(int32_t value)) {
    randomObserver = observer;
}

// The platform pauses precisely and keeps the window presented while it does.
void WaitMs(uint32_t ms) {
    if (ms != 0) plat::PauseMs(ms);
}
