// Sessions across machines in one process: every machine's own records, on the simulated network's
// clock, with delay, jitter and loss. Their traces must be the local simulator's run of the merged
// key scripts, byte for byte; a changed byte must be caught; a silenced machine must be dropped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "game/records.h"
#include "game/round.h"
#include "game/timer.h"
#include "net/lockstep.h"
#include "net/play.h"
#include "platform/headless.h"
#include "platform/netsim.h"
#include "platform/surface.h"
#include "replay/state.h"
#include "tools/sim/simulator.h"

namespace {

constexpr uint32_t kPeriod = 10; // speed 0

// One machine: its own records and generator, its end of the session, its key script.
struct Node {
    GameRecord* g = nullptr;
    ArenaRecord* a = nullptr;
    StarfieldBuffer* s = nullptr;
    uint32_t random = 1;
    std::unique_ptr<net::Machine> machine;
    std::unique_ptr<net::SessionRules> rules;
    std::vector<std::pair<long, int>> script; // (tick after the start, action; -1 F8) pressed before it
    std::vector<std::pair<long, uint8_t>> pressedCodes; // (tick after the start, code) as pressed
    size_t pressed = 0;
    uint32_t tickAt = 0;
    long start = -1; // the reset with everyone in: its trace starts there
    std::string trace;
    std::vector<int32_t> draws;
    bool silenced = false;
};

Node* current = nullptr;

void Enter(Node& n) {
    game = n.g, arena = n.a, stars = n.s;
    SeedRandom(n.random);
    current = &n;
}

void Leave(Node& n) {
    n.random = RandomState();
}

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::headless::ResetWindowing();
        plat::SkipPictures(true);
        SetRandomObserver([](int32_t v) { current->draws.push_back(v); });
        SetRoundSeedSource([] { return current->rules->NextRoundSeed(); });
    }
    void TearDown() override {
        for (Node& n : nodes) {
            game = n.g, arena = n.a, stars = n.s;
            FreeRecords();
        }
        SetRandomObserver(nullptr);
        SetRoundSeedSource(nullptr);
        plat::SkipPictures(false);
        plat::headless::ResetWindowing();
    }

    // A session of `machines` on a link of 100 ms +- 10 ms round trip with 5 % loss.
    void Start(int machines, uint32_t seed) {
        ASSERT_TRUE(sim::PresetPrefs("humans", prefs));
        int32_t speed = 0;
        std::memcpy(prefs.data() + 176, &speed, 4);
        network = std::make_unique<plat::net::SimNetwork>(machines, seed, [this] { return now; });
        network->SetAllLinks({50, 5, 0.05, 0.01});
        net::Decision first;
        std::copy(prefs.begin(), prefs.end(), first.image.begin());
        net::PutSeatKeys(first.image);
        for (int s = 0; s < 4; ++s) {
            first.owner[s] = s == 0 ? 0 : -1;
            first.open[s] = s > 0 && s < machines;
            if (s >= machines) net::PutKind(first.image, s, kComputer);
        }
        nodes.resize(static_cast<size_t>(machines));
        std::mt19937 keys(seed);
        for (int m = 0; m < machines; ++m) {
            Node& n = nodes[m];
            ASSERT_TRUE(AllocateRecords());
            n.g = game, n.a = arena, n.s = stars;
            n.rules = std::make_unique<net::SessionRules>(seed);
            n.tickAt = static_cast<uint32_t>(3 * m);
            // Each steers its own seat now and then; the host starts rounds, once mid-round too.
            for (long t = 2; t <= kTicks; ++t)
                if (keys() % 40 == 0) n.script.push_back({t, static_cast<int>(keys() % 6)});
            if (m == 0) {
                n.script.push_back({20, -1});
                n.script.push_back({kTicks / 2, -1});
            }
            std::stable_sort(n.script.begin(), n.script.end(),
                             [](const auto& x, const auto& y) { return x.first < y.first; });
        }
        auto check = [](const net::Profile&) { return net::Reason::None; };
        auto host = std::make_unique<net::Host>(network->Listen(), first, seed, 7, "2026-12-10 12:00:00",
                                                check, [] { return kPeriod; });
        hostMachine = host.get();
        nodes[0].machine = std::move(host);
        for (int m = 1; m < machines; ++m) {
            net::Profile p;
            std::memcpy(p.name, prefs.data() + net::kProfileBytes * m, sizeof p.name);
            nodes[m].machine = std::make_unique<net::Joiner>(network->Connect(m, net::kHello), p);
        }
    }

    // One turn of every machine at the time now: network, then its tick if due and all there.
    void Turn() {
        for (Node& n : nodes) {
            if (n.silenced) continue;
            n.machine->Service(now);
            while (now >= n.tickAt && n.machine->Ready(now)) {
                long tick = n.machine->NextTick();
                if (n.start >= 0)
                    // Pressed just before the tick the trace numbers t acts at trace tick t + D.
                    for (; n.pressed < n.script.size() && n.script[n.pressed].first + n.start - 1 <= tick;
                         ++n.pressed) {
                        auto [at, action] = n.script[n.pressed];
                        int seat = 0;
                        while (seat < 3 && n.rules->Current().owner[seat] != n.machine->Index()) ++seat;
                        uint8_t code = action < 0 ? 119 : net::SeatKey(seat, action);
                        n.machine->Press(code);
                        n.pressedCodes.push_back({at, code});
                    }
                net::TickInput in = n.machine->Take(now);
                Enter(n);
                n.draws.clear();
                n.rules->Apply(in, false);
                if (in.decision && in.decision->reset && in.decision->active == (1 << nodes.size()) - 1) {
                    n.start = tick;
                    n.trace.clear();
                    n.draws.clear();
                    sim::AppendTraceLine(n.trace, 0, n.draws);
                }
                std::vector<uint32_t> keyDowns;
                for (const auto& keys : in.keys) keyDowns.insert(keyDowns.end(), keys.begin(), keys.end());
                OnTick();
                if (n.start >= 0) sim::AppendTraceLine(n.trace, tick - n.start + 1, n.draws, keyDowns);
                n.machine->Ran(replay::RuleStateHash(), now);
                Leave(n);
                n.machine->Service(now);
                n.tickAt += kPeriod;
                if (now >= n.tickAt + kPeriod) n.tickAt = now + kPeriod; // periods missed are dropped
            }
        }
    }

    // Runs until every live machine has run `ticks` ticks after the start, or stop says so, or
    // time runs out.
    template <typename Stop> void RunUntil(long ticks, uint32_t limitMs, Stop stop) {
        for (; now < limitMs; ++now) {
            Turn();
            bool done = true;
            for (Node& n : nodes)
                if (!n.silenced && (n.start < 0 || n.machine->NextTick() <= n.start + ticks)) done = false;
            if (done || stop()) return;
            // Straight to whatever happens next.
            uint32_t next = now + kPeriod;
            if (auto due = network->NextDue(); due && *due > now && *due < next) next = *due;
            for (Node& n : nodes)
                if (n.tickAt > now && n.tickAt < next) next = n.tickAt;
            now = next - 1;
        }
    }

    void RunUntil(long ticks, uint32_t limitMs) {
        RunUntil(ticks, limitMs, [] { return false; });
    }

    // The local simulator's run of everyone's key scripts merged, as each machine sees it.
    std::string Reference(long ticks, size_t machines) {
        const net::Decision& d = nodes[0].rules->Current();
        sim::Config config;
        config.prefs.assign(d.image.begin(), d.image.end());
        config.seed = nodes[0].machine->Seed();
        config.session = true;
        config.ticks = ticks;
        // Within a tick, machine by machine, each in the order it pressed them.
        std::vector<std::tuple<long, int, size_t, uint8_t>> merged;
        for (size_t m = 0; m < machines; ++m)
            for (size_t i = 0; i < nodes[m].pressedCodes.size(); ++i)
                merged.emplace_back(nodes[m].pressedCodes[i].first + d.delay, nodes[m].machine->Index(), i,
                                    nodes[m].pressedCodes[i].second);
        std::sort(merged.begin(), merged.end());
        for (const auto& [tick, machine, order, code] : merged) config.keys.push_back({tick, code});
        std::FILE* file = std::tmpfile();
        config.trace = file;
        Node reference;
        AllocateRecords();
        reference.g = game, reference.a = arena, reference.s = stars;
        current = &reference;
        SetRandomObserver(nullptr);
        sim::Run(config);
        SetRandomObserver([](int32_t v) { current->draws.push_back(v); });
        SetRoundSeedSource([] { return current->rules->NextRoundSeed(); });
        FreeRecords();
        std::string text;
        std::rewind(file);
        char buffer[1 << 16];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
        std::fclose(file);
        return text.substr(text.find('\n') + 1); // after the start line
    }

    static constexpr long kTicks = 5000;
    sim::Prefs prefs;
    uint32_t now = 0;
    std::unique_ptr<plat::net::SimNetwork> network;
    std::vector<Node> nodes;
    net::Host* hostMachine = nullptr;
};

} // namespace

class SessionTraces : public SessionTest, public ::testing::WithParamInterface<int> {};

TEST_P(SessionTraces, EveryMachineRunsTheRoundsTheLocalSimulatorRunsFromTheMergedKeys) {
    int machines = GetParam();
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        TearDown();
        nodes.clear();
        now = 0;
        SetUp();
        Start(machines, seed);
        hostMachine->SetAdmitting(false);
        RunUntil(0, 1500); // everyone connected and measured; then all are let in at once
        hostMachine->SetAdmitting(true);
        RunUntil(kTicks, 200000);
        std::string expected = Reference(kTicks, nodes.size());
        for (int m = 0; m < machines; ++m) {
            ASSERT_GE(nodes[m].start, 0) << "machine " << m << " seed " << seed;
            std::string trace = nodes[m].trace.substr(0, expected.size());
            ASSERT_EQ(trace.size(), expected.size()) << "machine " << m << " seed " << seed;
            EXPECT_TRUE(trace == expected) << "machine " << m << " seed " << seed;
        }
        long tick;
        uint8_t mask;
        EXPECT_FALSE(nodes[0].machine->TakeDesync(tick, mask)) << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Machines, SessionTraces, ::testing::Values(2, 3, 4));

TEST_F(SessionTest, AChangedByteIsCaughtAndASilencedMachineIsDropped) {
    Start(3, 42);
    hostMachine->SetAdmitting(false);
    RunUntil(0, 1500);
    hostMachine->SetAdmitting(true);
    RunUntil(300, 20000);
    // A cell of machine 2's field changes behind the rules' back: the host names the machine and
    // the tick within 30 ticks.
    long flipped = nodes[2].machine->NextTick();
    nodes[2].a->cells[4000] ^= 1;
    long tick = 0;
    uint8_t mask = 0;
    RunUntil(100000, now + 2000, [&] { return nodes[0].machine->TakeDesync(tick, mask); });
    EXPECT_EQ(mask, 1 << nodes[2].machine->Index());
    EXPECT_GE(tick, flipped);
    EXPECT_LE(nodes[0].machine->NextTick() - flipped, 30);
    // Machine 2 hears of it too, and all start again together: in step from then on.
    long reported = 0;
    RunUntil(100000, now + 3000, [&] { return nodes[2].machine->TakeDesync(reported, mask); });
    EXPECT_EQ(reported, tick);
    RunUntil(100000, now + 3000);
    EXPECT_FALSE(nodes[0].machine->TakeDesync(tick, mask));

    // Machine 1 goes silent: within three seconds the others play on without it, in step.
    network->Silence(1);
    nodes[1].silenced = true;
    uint32_t silencedMs = now;
    std::string news;
    RunUntil(100000, now + 10000,
             [&] { return (news = hostMachine->TakeNews()).find("dropped") != std::string::npos; });
    // Its last key-downs cover D ticks; then the host waits three seconds for more.
    EXPECT_LE(now - silencedMs, 3000u + 200u) << news;
    long hostTick = nodes[0].machine->NextTick();
    RunUntil(100000, now + 3000);
    EXPECT_GT(nodes[0].machine->NextTick(), hostTick + 250);
    long common = std::min(nodes[0].machine->NextTick(), nodes[2].machine->NextTick()) - 1;
    ASSERT_TRUE(nodes[0].machine->OwnHash(common));
    EXPECT_EQ(nodes[0].machine->OwnHash(common), nodes[2].machine->OwnHash(common));
    EXPECT_FALSE(nodes[0].machine->TakeDesync(tick, mask));
}

TEST_F(SessionTest, MachinesThatCannotPlayAreToldWhy) {
    // Three joiners fill the seats; a fifth machine, another version and a player over the budget
    // are turned away, each told why.
    network = std::make_unique<plat::net::SimNetwork>(7, 3, [this] { return now; });
    net::Decision first;
    for (int s = 1; s < 4; ++s) first.open[s] = true;
    first.owner[0] = 0;
    auto check = [](const net::Profile& p) {
        return std::string(p.name) == "Greedy" ? net::Reason::Budget : net::Reason::None;
    };
    net::Host host(network->Listen(), first, 3, 9, "", check, [] { return kPeriod; });
    host.SetAdmitting(true);
    std::vector<std::unique_ptr<net::Joiner>> joiners;
    for (int m = 1; m < 7; ++m) {
        net::Profile p;
        std::strcpy(p.name, m == 2 ? "Greedy" : "Player");
        joiners.push_back(
            std::make_unique<net::Joiner>(network->Connect(m, m == 5 ? net::kHello + 1 : net::kHello), p));
        for (uint32_t until = now + 200; now < until; ++now) {
            host.Service(now);
            if (host.Ready(now)) {
                host.Take(now);
                host.Ran(0, now);
            }
            for (auto& j : joiners) j->Service(now);
        }
    }
    const char* told[] = {nullptr,
                          "your player's abilities and speed cost more than the 7 points a player may spend",
                          nullptr,
                          nullptr,
                          "the host runs another version of Tarvel 4",
                          "the game is full: four machines play already"};
    for (int i = 0; i < 6; ++i) {
        if (!told[i]) {
            EXPECT_EQ(joiners[i]->CurrentPhase(), net::Machine::Phase::Playing) << i;
            continue;
        }
        EXPECT_EQ(joiners[i]->CurrentPhase(), net::Machine::Phase::Ended) << i;
        EXPECT_EQ(joiners[i]->EndReason(), told[i]) << i;
    }
}
