// The game's side of a session: what each tick's input does to the records, the seats' keys, and
// each round's seed. The same on every machine, so every machine plays the same rules.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/records.h"
#include "net/lockstep.h"

namespace net {

using Image = std::array<uint8_t, kImageBytes>;

// Where a settings image (prefs.prf's bytes, as the records hold them) keeps what.
constexpr size_t kProfileBytes = sizeof(PlayerProfile);
constexpr size_t kKindsAt = offsetof(GameRecord, playerKind) - kPrefsOffset;
constexpr size_t kSettingsAt = offsetof(GameRecord, gameSpeed) - kPrefsOffset;
constexpr size_t kAudioAt = offsetof(GameRecord, audio16Bit) - kPrefsOffset;
constexpr size_t kAudioBytes = offsetof(GameRecord, starfieldOn) - offsetof(GameRecord, audio16Bit);
constexpr size_t kKeysAt = offsetof(GameRecord, keys) - kPrefsOffset;
constexpr size_t kKeyBytes = sizeof GameRecord::keys;
static_assert(kKeysAt + kKeyBytes <= kImageBytes &&
              kPrefsOffset + kImageBytes == offsetof(GameRecord, soundKaboom));

// Seat s's kind (kNoPlayer, kHuman, kComputer) in an image, and a kind put there.
inline int KindIn(const Image& image, int seat) {
    return image[kKindsAt + 2 * seat];
}
inline void PutKind(Image& image, int seat, int kind) {
    image[kKindsAt + 2 * seat] = static_cast<uint8_t>(kind);
    image[kKindsAt + 2 * seat + 1] = 0;
}
// The first human seat of an image (a machine's own player), 0 when there is none.
int FirstHuman(const Image& image);
// Seat s's player in an image (its name always ends in a 0), and a player put there.
Profile ProfileIn(const Image& image, int seat);
void PutProfile(Image& image, int seat, const Profile& player);

// In a session every seat's six keys are codes of their own, which no keyboard key or controller
// button has: seat s, action a (up, down, left, right, fire, special) is kSeatKeys + 6 s + a.
constexpr uint8_t kSeatKeys = 224;
constexpr uint8_t SeatKey(int seat, int action) {
    return static_cast<uint8_t>(kSeatKeys + 6 * seat + action);
}
// A settings image with the seats' codes for keys.
void PutSeatKeys(Image& image);

// A machine's own keys turned into the codes of the seats it steers: every binding of the player
// who sits there on this machine that the key matches, in the game's order of actions. ownKeys is
// the machine's own bindings (prefs.prf's 24 bytes); seatOf says which of its own players sits in
// each seat (-1: not this machine's).
std::vector<uint8_t> SeatKeysFor(uint32_t key, const uint8_t ownKeys[24], const std::array<int, 4>& seatOf);

// The session's rounds: seeds from the session's seed and the round's number.
class SessionRules {
  public:
    explicit SessionRules(uint32_t sessionSeed) : seed(sessionSeed) {}
    // Puts the tick's decision and key-downs into the game, as every machine does before the tick:
    // true when the tick period changed with it (the caller restarts its timer).
    // onKey, when given, hears of each key-down just before it is handled.
    bool Apply(const TickInput& input, bool keepAudio, void (*onKey)(uint32_t code) = nullptr);
    // NewRound's seed while this session plays.
    uint32_t NextRoundSeed() { return RoundSeed(seed, ++rounds); }
    const Decision& Current() const { return current; }
    // What holds before the first tick's decision does.
    void Begin(const Decision& first) { current = first; }
    uint32_t Rounds() const { return rounds; }

  private:
    uint32_t seed;
    uint32_t rounds = 0;
    Decision current;
};

// Everything the rules play with back to nothing, the title screen up: where machines that were
// apart start together.
void ZeroRuleState(uint32_t seed);

} // namespace net
