#include "tools/sim/session.h"

#include <poll.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>

#include "game/records.h"
#include "game/round.h"
#include "game/timer.h"
#include "net/lockstep.h"
#include "net/play.h"
#include "platform/headless.h"
#include "platform/net.h"
#include "replay/state.h"

namespace sim {
namespace {

int64_t NowNs() {
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return duration_cast<nanoseconds>(steady_clock::now() - start).count();
}

uint32_t NowMs() {
    return static_cast<uint32_t>(NowNs() / 1'000'000);
}

// Paced: a tick whose input was not all there at its deadline is late when it ran more than this
// after it.
constexpr int64_t kLateNs = 2'000'000;
// The longest stall is also told without the first ticks with everyone in.
constexpr long kSettlingTicks = 100;

// The deadline after `after` on a grid of periods, as the game's timer keeps it: those gone by are
// dropped.
int64_t NextOnGrid(int64_t deadline, int64_t period, int64_t after) {
    if (after < deadline) return deadline;
    return deadline + ((after - deadline) / period + 1) * period;
}

// Sleeps until the endpoint may have something or the deadline comes, whichever is first.
void WaitUntil(int descriptor, int64_t deadlineNs) {
    int64_t left = std::max<int64_t>(0, deadlineNs - NowNs());
    struct timespec timeout {
        left / 1'000'000'000, left % 1'000'000'000
    };
    struct pollfd wake {
        descriptor, POLLIN, 0
    };
    ppoll(&wake, descriptor >= 0 ? 1 : 0, &timeout, nullptr);
}

std::vector<int32_t>* draws = nullptr;
net::SessionRules* rules = nullptr;

} // namespace

int RunSession(const SessionConfig& config) {
    std::string error;
    std::unique_ptr<net::Machine> machine;
    Prefs own = config.prefs;
    own.resize(kPrefsBytes, 0);
    net::Image ownImage{};
    std::copy(own.begin(), own.end(), ownImage.begin());
    const int ownSlot = net::FirstHuman(ownImage); // this machine's player
    const uint8_t* ownPlayer = own.data() + net::kProfileBytes * ownSlot;
    net::Host* host = nullptr;
    if (config.host) {
        auto endpoint = plat::net::Listen(config.port, error);
        if (!endpoint) {
            std::fprintf(stderr, "sim: %s\n", error.c_str());
            return 2;
        }
        std::fprintf(stderr, "sim: hosting on port %u for %d machines\n", endpoint->BoundPort(),
                     config.machines);
        net::Decision first;
        first.image = ownImage;
        net::PutSeatKeys(first.image);
        // The host's humans are its own; seats 1 .. machines - 1 wait for the others.
        for (int s = 0; s < 4; ++s) {
            bool open = s > 0 && s < config.machines;
            first.owner[s] = !open && net::KindIn(ownImage, s) == kHuman ? 0 : -1;
            first.open[s] = open;
            if (open) first.image[net::kKindsAt + 2 * s] = kHuman;
        }
        std::strncpy(first.names[0].data(), reinterpret_cast<const char*>(ownPlayer), net::kNameBytes - 1);
        auto made = std::make_unique<net::Host>(std::move(endpoint), first, config.seed, config.seed ^ 0x5eed,
                                                "2026-01-01 00:00:00", nullptr, [] { return 10u; });
        host = made.get();
        host->SetAdmitting(true);
        machine = std::move(made);
    } else {
        auto endpoint = plat::net::Connect(config.address, config.port, net::kHello, error);
        if (!endpoint) {
            std::fprintf(stderr, "sim: %s\n", error.c_str());
            return 2;
        }
        net::Profile player;
        std::memcpy(player.name, ownPlayer, sizeof player.name - 1);
        machine = std::make_unique<net::Joiner>(std::move(endpoint), player);
    }
    plat::headless::SetClock(0);
    auto sessionRules = std::make_unique<net::SessionRules>(0);
    std::vector<int32_t> tickDraws;
    draws = &tickDraws;
    SetRandomObserver([](int32_t v) { draws->push_back(v); });
    SetRoundSeedSource([] { return rules->NextRoundSeed(); });
    uint8_t ownKeys[net::kKeyBytes];
    std::memcpy(ownKeys, own.data() + net::kKeysAt, net::kKeyBytes);
    long start = -1;
    size_t nextKey = 0;
    int status = 1;
    std::string line;
    uint32_t began = NowMs();
    // Paced: the next tick is due at `due` on this machine's own grid, as in the game's timer; how
    // the ticks after everyone is in meet their deadlines is counted.
    int64_t period = 1'000'000 * int64_t{TickPeriod(game->gameSpeed)};
    int64_t due = NowNs() + period;
    bool waited = false; // the tick due had to wait for its input
    long paced = 0, late = 0, slow = 0;
    int64_t longestStall = 0, settledStall = 0, startedNs = 0;
    uint64_t sentBefore = 0;
    while (NowMs() - began < config.seconds * 1000 + (config.paced ? config.ticks * period / 1'000'000 : 0)) {
        uint32_t now = NowMs();
        machine->Service(now);
        if (machine->CurrentPhase() == net::Machine::Phase::Ended) {
            std::fprintf(stderr, "sim: the session ended: %s\n", machine->EndReason().c_str());
            break;
        }
        if (machine->CurrentPhase() == net::Machine::Phase::Playing && !rules) {
            sessionRules = std::make_unique<net::SessionRules>(machine->Seed());
            rules = sessionRules.get();
        }
        if (start >= 0 && machine->NextTick() >= start + config.ticks) {
            status = 0;
            break;
        }
        if (config.paced && NowNs() < due) {
            WaitUntil(machine->WakeDescriptor(), due);
            continue;
        }
        if (!machine->Ready(now)) {
            if (config.paced) {
                // Offered again once something came, or at the next period's deadline.
                waited = true;
                WaitUntil(machine->WakeDescriptor(), NextOnGrid(due, period, NowNs()));
                continue;
            }
            // Nothing to run: wait for the network a moment.
            struct timespec nap {
                0, 200'000
            };
            nanosleep(&nap, nullptr);
            continue;
        }
        long tick = machine->NextTick();
        int64_t ranAt = NowNs();
        if (config.paced && start >= 0) {
            int64_t behind = NowNs() - due;
            ++paced;
            if (waited) longestStall = std::max(longestStall, behind);
            // Apart from the first ticks, where the last machine in finds its pace.
            if (waited && paced > kSettlingTicks) settledStall = std::max(settledStall, behind);
            if (behind > kLateNs) ++(waited ? late : slow);
        }
        if (start >= 0) {
            // This machine's own players' keys become their seats' codes; the host's F5 and F8 go
            // as they are.
            std::array<int, 4> seatOf{-1, -1, -1, -1};
            const net::Decision& d = rules->Current();
            for (int s = 0; s < 4; ++s)
                if (d.owner[s] == machine->Index()) seatOf[s] = machine->Index() == 0 ? s : ownSlot;
            for (; nextKey < config.keys.size() && config.keys[nextKey].tick + start - 1 <= tick; ++nextKey) {
                uint32_t code = config.keys[nextKey].code;
                if (machine->Index() == 0 && (code == 116 || code == 119))
                    machine->Press(static_cast<uint8_t>(code));
                for (uint8_t seatCode : net::SeatKeysFor(code, ownKeys, seatOf)) machine->Press(seatCode);
            }
        }
        net::TickInput in = machine->Take(now);
        tickDraws.clear();
        bool periodChanged = rules->Apply(in, false);
        if (in.decision && in.decision->reset && in.decision->active == (1 << config.machines) - 1) {
            start = tick;
            paced = late = slow = 0;
            longestStall = settledStall = 0;
            startedNs = NowNs();
            sentBefore = machine->BytesSent();
            if (config.paced) std::fprintf(stderr, "sim: everyone is in at tick %ld\n", tick);
            if (config.trace) {
                Prefs image(in.decision->image.begin(), in.decision->image.end());
                line = StartLine(image, machine->Seed(), config.ticks, true) + "\n";
                tickDraws.clear();
                AppendTraceLine(line, 0, tickDraws);
                std::fwrite(line.data(), 1, line.size(), config.trace);
            }
        }
        std::vector<uint32_t> keyDowns;
        for (const auto& keys : in.keys) keyDowns.insert(keyDowns.end(), keys.begin(), keys.end());
        OnTick();
        if (start >= 0 && config.trace) {
            line.clear();
            AppendTraceLine(line, tick - start + 1, tickDraws, keyDowns);
            std::fwrite(line.data(), 1, line.size(), config.trace);
        }
        machine->Ran(replay::RuleStateHash(), now);
        machine->Service(now);
        if (config.paced) {
            // The next deadline follows from this one, not from when the tick ran, unless the tick
            // waited for its input: then from when it ran, keeping pace with the input, as the
            // game's timer does; a new period starts the grid again, as the game restarts its timer.
            period = 1'000'000 * int64_t{TickPeriod(game->gameSpeed)};
            due = periodChanged ? NowNs() + period
                                : NextOnGrid((waited ? ranAt : due) + period, period, NowNs());
            waited = false;
        }
        long desyncTick;
        uint8_t mask;
        if (machine->TakeDesync(desyncTick, mask)) {
            std::fprintf(stderr, "sim: the machines went out of step at tick %ld\n", desyncTick);
            break;
        }
    }
    int64_t endedNs = NowNs();
    uint64_t sentAfter = machine->BytesSent();
    if (status == 0 && host) {
        // The others may still want the last ticks: a moment more before leaving.
        for (uint32_t until = NowMs() + 1000; NowMs() < until;) {
            machine->Service(NowMs());
            struct timespec nap {
                0, 1'000'000
            };
            nanosleep(&nap, nullptr);
        }
    }
    std::fprintf(stderr, "sim: machine %d ran %ld ticks (delay %d), sent %llu bytes\n", machine->Index(),
                 start >= 0 ? machine->NextTick() - start : 0, rules ? rules->Current().delay : 0,
                 static_cast<unsigned long long>(machine->BytesSent()));
    if (config.paced)
        std::fprintf(stderr,
                     "sim: paced: %ld ticks, %ld late, longest stall %.1f ms (%.1f ms after %ld ticks), "
                     "%ld slow, %llu bytes sent, %.3f s\n",
                     paced, late, longestStall / 1e6, settledStall / 1e6, kSettlingTicks, slow,
                     static_cast<unsigned long long>(sentAfter - sentBefore),
                     start >= 0 ? (endedNs - startedNs) / 1e9 : 0.0);
    SetRandomObserver(nullptr);
    SetRoundSeedSource(nullptr);
    rules = nullptr;
    draws = nullptr;
    return status;
}

} // namespace sim
