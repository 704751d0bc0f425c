#include "net/play.h"

#include <cstddef>
#include <cstring>

#include "game/keys.h"
#include "game/records.h"

namespace net {

int FirstHuman(const Image& image) {
    for (int s = 0; s < 4; ++s)
        if (KindIn(image, s) == kHuman) return s;
    return 0;
}

Profile ProfileIn(const Image& image, int seat) {
    PlayerProfile in;
    std::memcpy(&in, image.data() + kProfileBytes * seat, kProfileBytes);
    Profile player;
    std::memcpy(player.name, in.name, sizeof player.name - 1);
    player.colour = in.color;
    std::memcpy(player.abilities, in.abilities, sizeof player.abilities);
    player.speed = in.speed;
    player.points = in.points;
    return player;
}

void PutProfile(Image& image, int seat, const Profile& player) {
    PlayerProfile out;
    std::memcpy(out.name, player.name, sizeof out.name);
    out.color = player.colour;
    std::memcpy(out.abilities, player.abilities, sizeof out.abilities);
    out.speed = player.speed;
    out.points = player.points;
    std::memcpy(image.data() + kProfileBytes * seat, &out, kProfileBytes);
}

void PutSeatKeys(Image& image) {
    for (int a = 0; a < 6; ++a)
        for (int s = 0; s < 4; ++s) image[kKeysAt + 4 * a + s] = SeatKey(s, a);
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
