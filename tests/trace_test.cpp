// Whole rounds replayed tick by tick against traces kept in tests/traces: any change to the rules
// shows up as the first differing tick and field.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/headless.h"
#include "platform/surface.h"
#include "tests/fixture.h"
#include "tools/sim/simulator.h"

namespace {

class TraceTest : public GameTest {};

// Every trace replays with the pictures drawn and with none at all: drawing never touches the rules.
TEST_F(TraceTest, SeededRoundsReplayExactlyWithAndWithoutPictures) {
    ASSERT_TRUE(InstallGraphics());
    plat::DestroySurface(game->windowDC);
    game->windowDC = 0;
    std::filesystem::path dir = std::filesystem::path(TARVEL_SOURCE_DIR) / "tests" / "traces";
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".jsonl") continue;
        for (bool pictures : {true, false}) {
            // Each replay starts from zero-filled records, as the game does.
            std::memset(static_cast<void*>(game), 0, sizeof *game);
            std::memset(arena, 0, sizeof *arena);
            std::memset(stars, 0, sizeof *stars);
            sim::OpenScreen(pictures);
            EXPECT_EQ(pictures, game->imgAmmoBox != 0);
            EXPECT_EQ(sim::VerifyTrace(entry.path().c_str()), "")
                << entry.path().filename() << (pictures ? " with pictures" : " without pictures");
            EXPECT_EQ(plat::headless::MessageBoxes().size(), 0u);
            sim::CloseScreen();
        }
        ++replayed;
    }
    EXPECT_GE(replayed, 5);
}

TEST_F(TraceTest, DifferencesNameTheFieldAndIndex) {
    std::string difference;
    EXPECT_TRUE(sim::SameTraceLine(R"({"tick":3,"headX":[1,2]})", R"({"tick":3,"headX":[1,2]})", difference));
    EXPECT_FALSE(sim::SameTraceLine(R"({"tick":3,"headX":[1,2],"cells":"ab"})",
                                    R"({"tick":3,"headX":[1,5],"cells":"ab"})", difference));
    EXPECT_EQ(difference, "field \"headX\"[1]: expected 2, got 5");
    EXPECT_FALSE(
        sim::SameTraceLine(R"({"tick":3,"playersLeft":30})", R"({"tick":3,"playersLeft":29})", difference));
    EXPECT_EQ(difference, "field \"playersLeft\": expected 30, got 29");

    sim::Prefs prefs;
    ASSERT_TRUE(sim::PresetPrefs("trio", prefs));
    sim::Prefs back;
    uint32_t seed = 0;
    long ticks = 0;
    ASSERT_TRUE(sim::ParseStartLine(sim::StartLine(prefs, 99, 250), back, seed, ticks));
    EXPECT_EQ(back, prefs);
    EXPECT_EQ(seed, 99u);
    EXPECT_EQ(ticks, 250);
}

TEST_F(TraceTest, ExtraAbilitiesHoldInEveryRound) {
    sim::Config config;
    ASSERT_TRUE(sim::PresetPrefs("duel", config.prefs));
    for (const AbilityInfo& ability : kAbilities) config.extraAbilities |= AbilityBit(ability.id);
    config.seed = 5;
    config.ticks = 3000;
    config.checkInvariants = true;
    sim::Outcome outcome = sim::Run(config);
    EXPECT_EQ(outcome.failure, "");
    // NewRound rebuilds the bits from the profiles, so the extras must come back after each restart.
    ASSERT_GE(outcome.roundsStarted, 2);
    for (int p : {1, 2}) EXPECT_EQ(arena->abilityBits[p] & config.extraAbilities, config.extraAbilities) << p;
}

TEST_F(TraceTest, KeyScriptsAreReadLineByLine) {
    std::istringstream good("# a comment\n\n12 38  # up\n5 17\n12\t116\r\n3 4294967295\n");
    sim::KeyScript keys;
    std::string error;
    ASSERT_TRUE(sim::ReadKeyScript(good, keys, error)) << error;
    ASSERT_EQ(keys.size(), 4u);
    // By tick, the file's order kept within a tick.
    EXPECT_EQ(keys[0].tick, 3);
    EXPECT_EQ(keys[0].code, 4294967295u);
    EXPECT_EQ(keys[1].tick, 5);
    EXPECT_EQ(keys[2].code, 38u);
    EXPECT_EQ(keys[3].code, 116u);

    for (const char* bad : {"12", "12 38 40", "0 38", "-1 38", "12 -38", "12 4294967296", "12 0x26",
                            "twelve 38", "+12 38", "12 38x"}) {
        std::istringstream script(std::string("1 38\n# fine so far\n") + bad + "\n");
        EXPECT_FALSE(sim::ReadKeyScript(script, keys, error)) << bad;
        EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << error;
    }
}

// The key-downs of a trace are what its replay presses: another key makes another game.
TEST_F(TraceTest, ReplaysPressTheKeysTheTraceNames) {
    std::ifstream in(std::filesystem::path(TARVEL_SOURCE_DIR) / "tests" / "traces" / "pair.jsonl");
    std::stringstream text;
    text << in.rdbuf();
    std::string trace = text.str();
    size_t at = trace.find("\"keyDowns\":[116]"); // F5
    ASSERT_NE(at, std::string::npos);
    trace.replace(at, 16, "\"keyDowns\":[115]");
    std::ofstream("changed.jsonl") << trace;
    std::string difference = sim::VerifyTrace("changed.jsonl");
    EXPECT_EQ(difference.rfind("tick 80: ", 0), 0u)
        << difference; // still in the round, not on the title screen
}

} // namespace
