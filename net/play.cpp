#include "net/play.h"

#include <cstddef>
#include <cstring>

#include "game/keys.h"
#include "game/records.h"

namespace net {

void PutSeatKeys(std::array<uint8_t, kImageBytes>& image) {
    constexpr size_t keys = offsetof(GameRecord, keys) - kPrefsOffset;
    for (int a = 0; a < 6; ++a)
        for (int s = 0; s < 4; ++s) image[keys + 4 * a + s] = SeatKey(s, a);
}

std::vector<uint8_t> SeatKeysFor(uint32_t key, const uint8_t ownKeys[24], const std::array<int, 4>& seatOf) {
    std::vector<uint8_t> codes;
    if (key > 255) return codes; // bindings are bytes
    for (int seat = 0; seat < 4; ++seat) {
        int own = seatOf[seat];
        if (own < 0 || own > 3) continue;
        for (int a = 0; a < 6; ++a)
            if (ownKeys[4 * a + own] == key) codes.push_back(SeatKey(seat, a));
    }
    return codes;
}

void ZeroRuleState(uint32_t seed) {
    auto* g = reinterpret_cast<uint8_t*>(game);
    std::memset(g, 0, offsetof(GameRecord, imgLargeExplosion)); // heads, headings, missiles
    game->animFrame = 0;
    game->activePlayer = 0;
    std::memset(arena, 0, sizeof *arena);
    std::memset(stars, 0, sizeof *stars);
    SeedRandom(seed);
    ReturnToTitle();
}

bool SessionRules::Apply(const TickInput& input, bool keepAudio, void (*onKey)(uint32_t code)) {
    bool periodChanged = false;
    if (input.decision) {
        const Decision& d = *input.decision;
        int32_t speed = game->gameSpeed;
        uint8_t audio[7];
        auto* audioBytes = reinterpret_cast<uint8_t*>(game) + offsetof(GameRecord, audio16Bit);
        std::memcpy(audio, audioBytes, sizeof audio);
        std::memcpy(PrefsBytes(game), d.image.data(), kImageBytes);
        if (keepAudio) std::memcpy(audioBytes, audio, sizeof audio);
        if (d.reset) {
            rounds = 0;
            ZeroRuleState(seed);
        }
        periodChanged = game->gameSpeed != speed;
        current = d;
    }
    for (const auto& keys : input.keys)
        for (uint8_t code : keys) {
            if (onKey) onKey(code);
            HandleKey(code);
        }
    return periodChanged;
}

} // namespace net
