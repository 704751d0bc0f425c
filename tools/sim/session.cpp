#include "tools/sim/session.h"

#include <time.h>

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

uint32_t NowMs() {
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

std::vector<int32_t>* draws = nullptr;
net::SessionRules* rules = nullptr;

// The player of this machine: its first human slot (slot 0 when it has none).
int OwnPlayer(const Prefs& prefs) {
    for (int s = 0; s < 4; ++s)
        if (prefs[168 + 2 * s] == kHuman) return s;
    return 0;
}

} // namespace

int RunSession(const SessionConfig& config) {
    std::string error;
    std::unique_ptr<net::Machine> machine;
    Prefs own = config.prefs;
    own.resize(kPrefsBytes, 0);
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
        std::copy(own.begin(), own.end(), first.image.begin());
        net::PutSeatKeys(first.image);
        // The host's humans are its own; seats 1 .. machines - 1 wait for the others.
        for (int s = 0; s < 4; ++s) {
            bool open = s > 0 && s < config.machines;
            first.owner[s] = !open && own[168 + 2 * s] == kHuman ? 0 : -1;
            first.open[s] = open;
            if (open) first.image[168 + 2 * s] = kHuman;
        }
        std::strncpy(first.names[0].data(), reinterpret_cast<const char*>(own.data() + 42 * OwnPlayer(own)),
                     net::kNameBytes - 1);
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
        std::memcpy(player.name, own.data() + 42 * OwnPlayer(own), sizeof player.name - 1);
        machine = std::make_unique<net::Joiner>(std::move(endpoint), player);
    }
    plat::headless::SetClock(0);
    auto sessionRules = std::make_unique<net::SessionRules>(0);
    std::vector<int32_t> tickDraws;
    draws = &tickDraws;
    SetRandomObserver([](int32_t v) { draws->push_back(v); });
    SetRoundSeedSource([] { return rules->NextRoundSeed(); });
    uint8_t ownKeys[24];
    std::memcpy(ownKeys, own.data() + 188, 24);
    long start = -1;
    size_t nextKey = 0;
    int status = 1;
    std::string line;
    uint32_t began = NowMs();
    while (NowMs() - began < config.seconds * 1000) {
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
        if (!machine->Ready(now)) {
            // Nothing to run: wait for the network a moment.
            struct timespec nap {
                0, 200'000
            };
            nanosleep(&nap, nullptr);
            continue;
        }
        long tick = machine->NextTick();
        if (start >= 0) {
            // This machine's own players' keys become their seats' codes; the host's F5 and F8 go
            // as they are.
            std::array<int, 4> seatOf{-1, -1, -1, -1};
            const net::Decision& d = rules->Current();
            for (int s = 0; s < 4; ++s)
                if (d.owner[s] == machine->Index()) seatOf[s] = machine->Index() == 0 ? s : OwnPlayer(own);
            for (; nextKey < config.keys.size() && config.keys[nextKey].tick + start - 1 <= tick; ++nextKey) {
                uint32_t code = config.keys[nextKey].code;
                if (machine->Index() == 0 && (code == 116 || code == 119))
                    machine->Press(static_cast<uint8_t>(code));
                for (uint8_t seatCode : net::SeatKeysFor(code, ownKeys, seatOf)) machine->Press(seatCode);
            }
        }
        net::TickInput in = machine->Take(now);
        tickDraws.clear();
        rules->Apply(in, false);
        if (in.decision && in.decision->reset && in.decision->active == (1 << config.machines) - 1) {
            start = tick;
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
        long desyncTick;
        uint8_t mask;
        if (machine->TakeDesync(desyncTick, mask)) {
            std::fprintf(stderr, "sim: the machines went out of step at tick %ld\n", desyncTick);
            break;
        }
    }
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
    SetRandomObserver(nullptr);
    SetRoundSeedSource(nullptr);
    rules = nullptr;
    draws = nullptr;
    return status;
}

} // namespace sim
