// The ticker texts and the default preferences a newcomer starts with.
#include <cstring>

#include "game/records.h"
#include "tools/assetgen/assets.h"

namespace assets {

std::vector<TextFile> MakeTexts() {
    // One line each, no line break: the ticker draws the bytes as they are, and it shows the
    // three texts 700, 700 and 660 pixels apart at 8 pixels a character, so each stays under
    // 82 characters to keep clear of the next.
    return {
        {"about.txt", "TARVEL 4 - steer your worm, grab ammo, blast the others. Last worm wins!"},
        {"about2.txt", "Left click a slot: none/human/computer. Right click: set up. F8 start, F5 back"},
        {"about3.txt", "Art, sound, music and code made by the Tarvel 4 team with our own tools. Have fun!"},
    };
}

namespace {

// Worm colours are 0xRRGGBB in the art; the game stores 0x00BBGGRR.
uint32_t GameColour(uint32_t rrggbb) {
    return ((rrggbb & 0xFF) << 16) | (rrggbb & 0xFF00) | ((rrggbb >> 16) & 0xFF);
}

// A profile with a budget of 7 points: the abilities bought and the points left, speed = left + 2
// as the setup dialog gives it.
PlayerProfile Profile(const char* name, uint32_t rrggbb, std::initializer_list<int> abilities) {
    PlayerProfile p{};
    std::strncpy(p.name, name, sizeof p.name - 1);
    p.color = GameColour(rrggbb);
    int spent = 0, slot = 0;
    for (int id : abilities) {
        p.abilities[slot++] = static_cast<uint8_t>(id);
        spent += AbilityCost(id);
    }
    p.points = static_cast<int8_t>(7 - spent);
    p.speed = static_cast<int8_t>(p.points + 2);
    return p;
}

} // namespace

std::vector<uint8_t> MakeDefaultPrefs() {
    static GameRecord record{};
    std::memset(&record, 0, sizeof record);
    // Abilities in ascending id order, as the setup dialog stores them.
    record.profiles[0] = Profile("Player", kWormColours[0], {kTripleMissile, kWarp});
    record.profiles[1] = Profile("Sparky", kWormColours[1], {kFastMissiles, kBombs, kWarpMissile});
    record.profiles[2] = Profile("Nova", kWormColours[2], {kTurbo, kSuperNova});
    record.profiles[3] = Profile("Jojo", kWormColours[3], {kBash, kJojo});
    record.playerKind[0] = kHuman;
    record.playerKind[1] = kComputer;
    record.playerKind[2] = kComputer;
    record.playerKind[3] = kComputer;
    record.gameSpeed = 25; // 60 ms ticks
    record.audio16Bit = 1;
    record.audioFilter = 0;
    record.audio44k = 1;
    record.musicOn = 1;
    record.musicVolume = 40;
    record.soundVolume = 52;
    record.soundOn = 1;
    record.starfieldOn = 1;
    // Player 0 on the arrow keys, Ctrl fires, Shift for the special: every laptop has them.
    record.keys[0] = 38;  // up
    record.keys[4] = 40;  // down
    record.keys[8] = 37;  // left
    record.keys[12] = 39; // right
    record.keys[16] = 17; // fire: Ctrl
    record.keys[20] = 16; // special: Shift
    record.blockCount = 8;
    record.autoWarp = 0;
    record.fastExplosions = 0;
    record.autoStart = 1;
    const uint8_t* bytes = PrefsBytes(&record);
    return std::vector<uint8_t>(bytes, bytes + kPrefsSize);
}

} // namespace assets
