// The game's state: three records, one instance of each, reached from everywhere.
//
// GameRecord bytes 152..368 are the preferences file, verbatim, and bytes 328..368 are the
// settings block the Preferences dialog copies; both are byte-exact. Integers are little-endian.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/types.h"
#include "platform/window.h"

using Handle = plat::Handle;
using Colour = plat::Colour;

#pragma pack(push, 1)

struct PlayerProfile {
    char name[32];        // NUL-terminated when it came from us; a file may hold 32 bytes without one
    uint32_t color;       // 0x00BBGGRR
    uint8_t abilities[4]; // ability ids 1..17, 0 = empty, filled from slot 0 upwards
    int8_t speed;         // moves in ticks whose movement phase is at most this
    int8_t points;        // unspent ability points
};

// GameRecord bytes 328..368 as one unit.
struct SettingsBlock {
    int32_t gameSpeed;
    uint8_t audio16Bit;
    uint8_t audioFilter;
    uint8_t audio44k;
    uint8_t musicOn;
    uint8_t musicVolume;
    uint8_t soundVolume;
    uint8_t soundOn;
    uint8_t starfieldOn;
    uint8_t keys[24];
    int16_t blockCount;
    uint8_t autoWarp;
    uint8_t fastExplosions;
    uint8_t autoStart;
};

struct GameRecord {
    int16_t screenMode; // 0 leaving, 1 title screen, 2 round
    int16_t headX[4];
    int16_t headY[4];
    int16_t dirX[4];
    int16_t dirY[4];
    int16_t missileX[12]; // slot k of player p at 3p + k
    int16_t missileY[12];
    int16_t missileDX[12];
    int16_t missileDY[12];
    Handle imgLargeExplosion;
    Handle imgSupernova;
    Handle imgSmallExplosion;
    Handle imgAmmoBox;
    Handle imgPressed;
    int16_t animFrame;
    // --- persisted from here (byte 152) ---
    PlayerProfile profiles[4];
    int16_t playerKind[4]; // 0 none, 1 human, 2 computer
    // --- the settings block (bytes 328..368) ---
    int32_t gameSpeed;
    uint8_t audio16Bit;
    uint8_t audioFilter;
    uint8_t audio44k;
    uint8_t musicOn;
    uint8_t musicVolume;
    uint8_t soundVolume;
    uint8_t soundOn;
    uint8_t starfieldOn;
    uint8_t keys[24]; // keys[p] up, [4+p] down, [8+p] left, [12+p] right, [16+p] fire, [20+p] special
    int16_t blockCount;
    uint8_t autoWarp;
    uint8_t fastExplosions;
    uint8_t autoStart; // 0 off, 1 on, 2..39 counting towards a new round
    // --- persisted up to here (byte 368) ---
    int32_t soundKaboom;
    int32_t soundJiha;
    int32_t soundKlick;
    int32_t soundMissil;
    int16_t activePlayer;
    int16_t keyCaptureStep;
    PlayerProfile* profileDraft;
    SettingsBlock* settingsDraft;
    uint32_t customColors[16];
    int32_t musicModule;
    int32_t effectVoice;
    int32_t scrollerX[3];
    char scrollerText[3][256];
    int32_t scrollerLength[3];
    Handle tickTimerId;
    uint8_t reserved[6];
    plat::WindowClass windowClass;
    Handle mainWindow;
    Handle windowDC;
};

struct BombAndTurbo {
    int16_t bombX; // -1 = no bomb laid
    int16_t bombY;
    int16_t turboState; // -1 off, 0 on
};

struct TripleVolley {
    int16_t tripleDX; // direction when the volley was fired
    int16_t tripleDY;
    int16_t tripleTimer; // steps until the side missiles turn parallel
};

struct ArenaRecord {
    uint8_t cells[9600]; // cell (x, y) at x * 80 + y; 0 free, 1 solid
    uint8_t out[4];      // 1 = not in the round
    uint8_t boxX[4];
    uint8_t boxY[4];
    uint8_t boxAmmo[4];
    int8_t ammo[4];
    uint32_t abilityBits[4]; // bit id - 1 for every ability owned this round
    BombAndTurbo bombs[4];
    TripleVolley triples[4];
    int16_t missileTimer[4]; // 0 plain, > 0 burst countdown, < 0 boomerang clock
    int16_t speedPhase;      // 1..6 in the cycle 1, 6, 2, 5, 3, 4
    uint8_t rank[4];
    uint8_t playersLeft; // 0..4 running, 30..7 countdown, 6 ends the round
    uint8_t remoteMode[4];
};

struct StarfieldBuffer {
    int16_t starX[100];
    int16_t starY[100];
    int8_t starSpeed[100];
    uint32_t starBackground[100];
};

#pragma pack(pop)

static_assert(sizeof(PlayerProfile) == 42);
static_assert(sizeof(SettingsBlock) == 41);
static_assert(offsetof(GameRecord, imgLargeExplosion) == 130);
static_assert(offsetof(GameRecord, animFrame) == 150);
static_assert(offsetof(GameRecord, profiles) == 152);
static_assert(offsetof(GameRecord, playerKind) == 320);
static_assert(offsetof(GameRecord, gameSpeed) == 328);
static_assert(offsetof(GameRecord, audio16Bit) == 332);
static_assert(offsetof(GameRecord, starfieldOn) == 339);
static_assert(offsetof(GameRecord, keys) == 340);
static_assert(offsetof(GameRecord, blockCount) == 364);
static_assert(offsetof(GameRecord, autoWarp) == 366);
static_assert(offsetof(GameRecord, autoStart) == 368);
static_assert(offsetof(GameRecord, soundKaboom) == 369);
static_assert(offsetof(GameRecord, activePlayer) == 385);
static_assert(offsetof(GameRecord, profileDraft) == 389);
static_assert(offsetof(SettingsBlock, keys) == 340 - 328);
static_assert(offsetof(SettingsBlock, autoStart) == 368 - 328);
static_assert(offsetof(ArenaRecord, out) == 9600);
static_assert(offsetof(ArenaRecord, ammo) == 9616);
static_assert(offsetof(ArenaRecord, abilityBits) == 9620);
static_assert(offsetof(ArenaRecord, bombs) == 9636);
static_assert(offsetof(ArenaRecord, triples) == 9660);
static_assert(offsetof(ArenaRecord, missileTimer) == 9684);
static_assert(offsetof(ArenaRecord, speedPhase) == 9692);
static_assert(offsetof(ArenaRecord, rank) == 9694);
static_assert(offsetof(ArenaRecord, playersLeft) == 9698);
static_assert(offsetof(ArenaRecord, remoteMode) == 9699);
static_assert(sizeof(ArenaRecord) == 9703);
static_assert(sizeof(StarfieldBuffer) == 900);

// The persisted range and the settings block, as byte ranges of GameRecord.
constexpr std::size_t kPrefsOffset = 152;
constexpr std::size_t kPrefsSize = 217;
constexpr std::size_t kSettingsOffset = 328;
constexpr std::size_t kSettingsSize = 41;
uint8_t* PrefsBytes(GameRecord* record);
uint8_t* SettingsBytes(GameRecord* record);

// The one instance of each record; allocated by start-up (or a test), zero-filled.
extern GameRecord* game;
extern ArenaRecord* arena;
extern StarfieldBuffer* stars;

// Allocates the three records zero-filled; false (and nothing allocated) when one fails.
bool AllocateRecords();
void FreeRecords();

// Playfield geometry.
constexpr int kColumns = 120;
constexpr int kRows = 80;
constexpr int kCellPixels = 5;

void SetCell(int x, int y, uint8_t value);
// -1 outside the field, else the cell's byte.
int GetCell(int x, int y);

// Player kinds.
enum : int16_t { kNoPlayer = 0, kHuman = 1, kComputer = 2 };

// Action codes of PlayerAction.
enum : unsigned { kActLeft = 1, kActRight = 2, kActUp = 3, kActDown = 4, kActFire = 5, kActSpecial = 6 };

// Special-ability ids; id n is bit n - 1 of abilityBits. Id 9 has no ability.
enum : int {
    kFastMissiles = 1,
    kBombs = 2,
    kTurbo = 3,
    kBash = 4,
    kTripleMissile = 5,
    kMegaMissiles = 6,
    kSuperBombs = 7,
    kShield = 8,
    kBombMissile = 10,
    kSuperNova = 11,
    kWarp = 12,
    kMachineGun = 13,
    kBreak = 14,
    kJojo = 15,
    kWarpMissile = 16,
    kRemoteMissile = 17,
    kMaxAbilityId = 17,
};

struct AbilityInfo {
    int id;
    const char* label; // the check box text in Player Setup
    int cost;
};
// The sixteen buyable abilities in id order.
extern const AbilityInfo kAbilities[16];
// Cost of an ability id, 0 for an unknown id.
int AbilityCost(int id);

// Does player p own ability id this round?
inline bool Owns(int p, int id) {
    return (arena->abilityBits[p] >> (id - 1)) & 1u;
}
// The bit an ability id stands for, 0 for ids outside 1..17 (they can come from a file).
uint32_t AbilityBit(int id);

// The name's length, never reading past its 32 bytes.
int ProfileNameLength(const PlayerProfile& profile);

// The game's one pseudo-random generator: non-negative values, reseeded by every round.
void SeedRandom(uint32_t seed);
int32_t Random();
// The generator's whole state, for checking that two runs went the same way.
uint32_t RandomState();
// Tools can watch every value the generator returns (nullptr stops watching).
void SetRandomObserver(void (*observer)(int32_t value));

// The short pause everything uses (explosions, pressed buttons, loading): holds the calling
// thread for at least ms milliseconds; no input is handled meanwhile.
void WaitMs(uint32_t ms);
