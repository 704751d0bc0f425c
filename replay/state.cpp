#include "replay/state.h"

#include <cstddef>
#include <cstring>

#include "game/records.h"

namespace replay {
namespace {

struct Hash {
    uint64_t value = 0xcbf29ce484222325ull;
    void Add(const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) {
            value ^= bytes[i];
            value *= 0x100000001b3ull;
        }
    }
};

// A byte range of a record.
struct Range {
    bool arenaRecord;
    size_t offset, size;
};
constexpr Range kCarried[] = {
    {false, offsetof(GameRecord, missileX), 2 * 12 * 2}, // missileX and missileY
    {false, offsetof(GameRecord, animFrame), 2},
    {false, offsetof(GameRecord, activePlayer), 2},
    {true, offsetof(ArenaRecord, triples), 4 * 6},
    {true, offsetof(ArenaRecord, missileTimer), 4 * 2},
    {true, offsetof(ArenaRecord, rank), 4},
};

uint8_t* Bytes(const Range& r) {
    return (r.arenaRecord ? reinterpret_cast<uint8_t*>(arena) : reinterpret_cast<uint8_t*>(game)) + r.offset;
}

} // namespace

uint64_t RuleStateHash() {
    Hash h;
    const auto* g = reinterpret_cast<const uint8_t*>(game);
    h.Add(g, offsetof(GameRecord, imgLargeExplosion)); // screen mode, heads, headings, missiles
    h.Add(g + offsetof(GameRecord, animFrame), 2);
    // The players and settings, but the seven audio bytes (sample width to sound on).
    h.Add(g + kPrefsOffset, offsetof(GameRecord, audio16Bit) - kPrefsOffset);
    h.Add(g + offsetof(GameRecord, starfieldOn),
          kPrefsOffset + kPrefsSize - offsetof(GameRecord, starfieldOn));
    h.Add(g + offsetof(GameRecord, activePlayer), 2);
    h.Add(arena, sizeof(ArenaRecord));
    h.Add(stars->starX, sizeof stars->starX);
    h.Add(stars->starY, sizeof stars->starY);
    h.Add(stars->starSpeed, sizeof stars->starSpeed);
    uint32_t random = RandomState();
    h.Add(&random, sizeof random);
    return h.value;
}

Carry TakeCarry() {
    Carry carry{};
    size_t at = 0;
    for (const Range& r : kCarried) {
        std::memcpy(carry.data() + at, Bytes(r), r.size);
        at += r.size;
    }
    return carry;
}

void PutCarry(const Carry& carry) {
    size_t at = 0;
    for (const Range& r : kCarried) {
        std::memcpy(Bytes(r), carry.data() + at, r.size);
        at += r.size;
    }
}

std::string ToHex(const uint8_t* bytes, size_t size) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * size);
    for (size_t i = 0; i < size; ++i) hex += kDigits[bytes[i] >> 4], hex += kDigits[bytes[i] & 15];
    return hex;
}

bool FromHex(const std::string& hex, uint8_t* bytes, size_t size) {
    if (hex.size() != 2 * size) return false;
    auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (size_t i = 0; i < size; ++i) {
        int hi = digit(hex[2 * i]), lo = digit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return true;
}

} // namespace replay
