// Replays: the whole program records every round it plays (on the headless back end), and each
// replay plays back exactly; a replay that is damaged or goes differently says so.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "app/app.h"
#include "app/input.h"
#include "game/keys.h"
#include "game/round.h"
#include "game/timer.h"
#include "platform/headless.h"
#include "platform/surface.h"
#include "replay/file.h"
#include "replay/recorder.h"
#include "replay/service.h"
#include "resources/resources.h"
#include "tests/app_files.h"
#include "tests/fixture.h"
#include "tools/sim/simulator.h"

using namespace app_test;
namespace fs = std::filesystem;

namespace {

class ReplayTest : public AppRunTest {
  protected:
    // Plays a replay file back on fresh records; the first difference, or "".
    static std::string PlayBack(const std::string& path) {
        EXPECT_TRUE(AllocateRecords());
        sim::OpenScreen(false);
        sim::Outcome outcome = sim::RunReplay(path, nullptr);
        sim::CloseScreen();
        FreeRecords();
        return outcome.roundsStarted ? outcome.failure : "not played: " + outcome.failure;
    }
};

void At(uint32_t ms, plat::Msg msg, intptr_t first, intptr_t second = 0) {
    plat::headless::ScheduleMessage(ms, msg, first, second);
}

} // namespace

TEST_F(ReplayTest, EveryRoundTheWindowPlaysIsKeptAndPlaysBackTheSame) {
    WriteGameGraphics();
    // Two humans (a remote missile and Turbo; a triple volley and bombs, both firing with Ctrl)
    // and two computers, Auto Start on.
    sim::Prefs prefs;
    ASSERT_TRUE(sim::PresetPrefs("pair", prefs));
    WriteBytes("prefs.prf", prefs);
    using plat::Msg;
    At(4000, Msg::KeyDown, 119); // F8
    At(4100, Msg::KeyDown, 17);  // the remote missile goes, steered up and right, then handed back
    At(4300, Msg::KeyDown, 38);
    At(4500, Msg::KeyDown, 39);
    At(4700, Msg::KeyDown, 17);
    At(4800, Msg::Command, kCmdOption); // the star background switched off mid-round
    plat::headless::QueueDialogAction(plat::headless::PressControl(115));
    plat::headless::QueueDialogAction(plat::headless::PressControl(1));
    At(5000, Msg::KeyDown, 16); // Turbo
    At(5200, Msg::KeyDown, 87);
    At(5400, Msg::KeyDown, 69);  // a bomb
    At(6000, Msg::KeyDown, 119); // F8 mid-round
    At(6100, Msg::KeyDown, 40);
    At(7000, Msg::Command, kCmdNewGame);
    At(7100, Msg::KeyDown, 37);
    // Rounds end and Auto Start begins the next ones, until F5; the play button; the window closed.
    At(60000, Msg::KeyDown, 116);
    At(61000, Msg::LeftDown, 0, plat::PackPoint(490, 330));
    At(62000, Msg::Close, 0);
    static const MessageHooks hooks = {replay::TakeMessage, replay::BeginMessage, replay::EndMessage};
    SetMessageHooks(&hooks);
    replay::StartService();
    EXPECT_EQ(AppMain(1, plat::kShowDefault), 0);
    replay::StopService();
    SetMessageHooks(nullptr);

    std::set<std::string> starts, ends;
    int kept = 0;
    for (const auto& entry : fs::directory_iterator("replays")) {
        ++kept;
        std::string path = entry.path().string();
        EXPECT_EQ(PlayBack(path), "") << path;
        replay::Replay r;
        std::string error;
        ASSERT_TRUE(replay::LoadReplay(path, r, error)) << error;
        const char* startNames[] = {"f8", "new", "auto"};
        const char* endNames[] = {"results", "title", "new", "quit"};
        starts.insert(startNames[static_cast<int>(r.start)]);
        ends.insert(endNames[static_cast<int>(r.end)]);
    }
    EXPECT_GE(kept, 5);
    EXPECT_EQ(starts, (std::set<std::string>{"f8", "new", "auto"}));
    EXPECT_EQ(ends, (std::set<std::string>{"results", "title", "new", "quit"}));
}

TEST_F(ReplayTest, DamagedFilesAreToldApartAndADifferentRunNamesItsTick) {
    replay::Replay r;
    std::string error;
    auto read = [&](const std::string& text) {
        error.clear();
        return replay::ReadReplay(text, r, error);
    };
    const std::string prefs(2 * replay::kImageBytes, '0'), carry(2 * replay::kCarryBytes, '0');
    const std::string head = "tarvel4 replay 1\nstart f8\nseed 7\nprefs " + prefs + "\ncarry " + carry + "\n";
    EXPECT_TRUE(read(head + "3 k 38 40\n100 h 0123456789abcdef\n150 end results 0123456789abcdef\n"))
        << error;
    EXPECT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.keys, (std::vector<uint32_t>{38, 40}));

    EXPECT_FALSE(read("GIF89a\x01\x02"));
    EXPECT_EQ(error, "not a replay");
    EXPECT_FALSE(read("tarvel4 replay 7\n"));
    EXPECT_EQ(error.rfind("made by a newer version", 0), 0u) << error;
    EXPECT_FALSE(read(head + "3 k 38\n")); // cut short
    EXPECT_NE(error.find("no end"), std::string::npos) << error;
    EXPECT_FALSE(read(head.substr(0, head.size() / 2)));
    EXPECT_FALSE(read(head + "99999999999 k 38\n5 end quit 0123456789abcdef\n"));
    EXPECT_NE(error.find("line 6"), std::string::npos) << error;
    EXPECT_FALSE(read(head + "9 k 38\n3 k 40\n10 end quit 0123456789abcdef\n")); // ticks backwards
    EXPECT_FALSE(read(head + "3 s 00ff\n10 end quit 0123456789abcdef\n"));
    EXPECT_FALSE(read(head + "3 k\n10 end quit 0123456789abcdef\n"));
    EXPECT_FALSE(read(head + "10 end quit 0123\n"));
    EXPECT_FALSE(read(head + "10 end quit 0123456789abcdef\n11 k 38\n"));

    // A round recorded by the simulator's players, then one key changed: the run goes differently
    // and the checkpoint after it says at which tick.
    ASSERT_TRUE(AllocateRecords());
    replay::Recorder recorder;
    sim::Prefs pair;
    ASSERT_TRUE(sim::PresetPrefs("pair", pair));
    std::memcpy(PrefsBytes(game), pair.data(), pair.size());
    recorder.Begin(replay::Start::NewRound, 11, replay::TakeCarry());
    plat::headless::SetClock(11); // NewRound's seed
    NewRound();
    recorder.NoteStart();
    bool results = false;
    for (long tick = 1; tick <= 250 && !results; ++tick) {
        if (tick == 20) recorder.Key(38);
        recorder.TickStarting();
        if (tick == 20) HandleKey(38);
        OnTick();
        results = recorder.TickRan();
    }
    std::string text =
        replay::WriteReplay(recorder.Finish(results ? replay::End::Results : replay::End::Quit));
    FreeRecords();
    WriteBytes("good.t4replay", std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(PlayBack("good.t4replay"), "");
    size_t key = text.find("20 k 38");
    ASSERT_NE(key, std::string::npos);
    text.replace(key, 7, "20 k 40");
    WriteBytes("changed.t4replay", std::vector<uint8_t>(text.begin(), text.end()));
    EXPECT_EQ(PlayBack("changed.t4replay"), "went differently at tick 100");
}
