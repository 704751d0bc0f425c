#include "replay/playback.h"

#include <cstring>

#include "game/keys.h"
#include "game/records.h"
#include "game/round.h"
#include "replay/state.h"

namespace replay {
namespace {

uint32_t playbackSeed = 0;

uint32_t PlaybackSeed() {
    return playbackSeed;
}

// The settings image into the records, keeping the audio bytes when asked: how it sounds is the
// listener's own business.
void PutImage(const Image& image, bool keepAudio) {
    uint8_t audio[7];
    uint8_t* audioBytes = reinterpret_cast<uint8_t*>(game) + offsetof(GameRecord, audio16Bit);
    std::memcpy(audio, audioBytes, sizeof audio);
    std::memcpy(PrefsBytes(game), image.data(), kImageBytes);
    if (keepAudio) std::memcpy(audioBytes, audio, sizeof audio);
}

} // namespace

Playback::Playback(Replay r) : replay(std::move(r)) {}

Playback::~Playback() {
    SetRoundSeedSource(nullptr);
}

long Playback::Ticks() const {
    return replay.end == End::Results ? replay.endTick : replay.endTick - 1;
}

void Playback::Begin(bool keep) {
    keepAudio = keep;
    PutImage(replay.prefs, keepAudio);
    PutCarry(replay.carry);
    playbackSeed = replay.seed;
    SetRoundSeedSource(PlaybackSeed);
    switch (replay.start) {
    case Start::F8:
        HandleKey(kKeyF8);
        break;
    case Start::NewRound:
        NewRound();
        break;
    case Start::Automatic:
        // The first tick counts the restart out and starts the round inside itself.
        game->screenMode = 2;
        game->autoStart = 39;
        break;
    }
    if (Ticks() <= 0) Check(0, replay.endHash);
}

bool Playback::BeforeTick() {
    int32_t speed = game->gameSpeed;
    for (; at < replay.events.size() && replay.events[at].tick == next; ++at) {
        const Event& e = replay.events[at];
        if (e.kind == Event::Kind::Settings) PutImage(replay.images[e.first], keepAudio);
        if (e.kind == Event::Kind::Keys)
            for (uint32_t i = 0; i < e.count; ++i) HandleKey(replay.keys[e.first + i]);
        if (e.kind == Event::Kind::Checkpoint) break; // checked after the tick
    }
    return game->gameSpeed != speed;
}

bool Playback::AfterTick() {
    long tick = next++;
    for (; at < replay.events.size() && replay.events[at].tick == tick; ++at)
        if (replay.events[at].kind == Event::Kind::Checkpoint && !Check(tick, replay.events[at].hash))
            return false;
    if (tick >= Ticks()) return Check(tick, replay.endHash);
    return true;
}

bool Playback::Check(long tick, uint64_t expected) {
    if (tick >= Ticks()) done = true;
    if (RuleStateHash() == expected) return true;
    error = "went differently at tick " + std::to_string(tick);
    done = true;
    return false;
}

} // namespace replay
