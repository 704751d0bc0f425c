#include "net/lockstep.h"

#include <algorithm>
#include <cstring>

#include "net/play.h"

namespace net {
namespace {

using plat::net::Channel;
using EventKind = plat::net::Event::Kind;

// How far ahead of what is running a tick may be named: anything further is not ours.
constexpr long kHorizon = 2000;
// Every new tick's message repeats what is unacknowledged; when nothing new goes out for this long
// (a stall), it goes out again all the same.
constexpr uint32_t kResendMs = 30;
// A new joiner's round trip: this many pings, this far apart, or what came back within a second.
constexpr int kPings = 5;
constexpr uint32_t kPingGapMs = 20, kPingingMs = 1000;
// The little a decision's delay needs beyond the round trip (D = ceil((RTT + this) / period)).
constexpr uint32_t kDelayMarginMs = 20;

uint32_t Fold(uint64_t hash) {
    return static_cast<uint32_t>(hash ^ (hash >> 32));
}

std::string Name(const Decision& d, int machine) {
    const auto& n = d.names[machine];
    return std::string(n.data(), strnlen(n.data(), n.size()));
}

} // namespace

uint32_t RoundSeed(uint32_t sessionSeed, uint32_t round) {
    uint32_t x = sessionSeed ^ (round * 0x9E3779B9u);
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// --- what every machine does ---------------------------------------------------------------------

void Machine::Send(int peer, Channel channel, const Message& message) {
    std::vector<uint8_t> bytes = Encode(message);
    if (endpoint->Send(peer, channel, bytes.data(), bytes.size())) bytesSent += bytes.size();
}

void Machine::End(const std::string& reason) {
    if (phase == Phase::Ended) return;
    phase = Phase::Ended;
    endReason = reason;
}

bool Machine::Ready(uint32_t nowMs) {
    bool ready = false;
    if (phase == Phase::Playing && static_cast<int32_t>(nowMs - startAt) < 0) return false; // not yet
    if (phase == Phase::Playing) {
        auto t = ticks.find(next);
        ready = t != ticks.end() && (t->second.decisions == 0 || decisions.count(next));
    }
    if (!ready && !waiting) waitingSince = nowMs;
    waiting = !ready;
    return ready;
}

TickInput Machine::Take(uint32_t nowMs) {
    TickInput in;
    in.tick = next;
    in.keys = ticks[next].keys;
    if (auto d = decisions.find(next); d != decisions.end()) {
        in.decision = d->second;
        delay = d->second.delay;
        if (d->second.reset) {
            epoch = next;
            InputsReset(next);
        }
    }
    // Key-downs before this tick act D ticks later, unless a reset already named comes first: they
    // were made in a game that will be gone by then.
    long target = next + delay;
    auto reset = decisions.upper_bound(next);
    while (reset != decisions.end() && reset->first <= target && !reset->second.reset) ++reset;
    if (reset == decisions.end() || reset->first > target) {
        std::vector<uint8_t>& keys = ownInputs[target];
        for (uint8_t code : pressed)
            if (keys.size() < kMostKeys) keys.push_back(code);
    }
    pressed.clear();
    Made(nowMs);
    return in;
}

void Machine::Ran(uint64_t hash, uint32_t) {
    ownHashes[next] = Fold(hash);
    ++next;
    // What no one can ask for any more. Decisions stay long after (a reset's tick says from when on
    // key-downs act), but the one in force always stays.
    ticks.erase(ticks.begin(), ticks.lower_bound(KeepFrom()));
    ownHashes.erase(ownHashes.begin(), ownHashes.lower_bound(next - 64));
    while (decisions.size() > 1 && std::next(decisions.begin())->first <= next - 10000)
        decisions.erase(decisions.begin());
}

int Machine::WaitingFor(uint32_t nowMs) const {
    if (!waiting || phase != Phase::Playing || nowMs - waitingSince < kStallNoticeMs) return -1;
    return StallingMachine();
}

bool Machine::TakeDesync(long& tick, uint8_t& machines) {
    if (!desync) return false;
    desync = false;
    tick = desyncTick;
    machines = desyncMask;
    return true;
}

std::optional<uint32_t> Machine::OwnHash(long tick) const {
    auto it = ownHashes.find(tick);
    if (it == ownHashes.end()) return std::nullopt;
    return it->second;
}

// --- the host ------------------------------------------------------------------------------------

Host::Host(std::unique_ptr<plat::net::Endpoint> e, const Decision& first, uint32_t s, uint32_t id,
           std::string when, Check c, Period p)
    : latest(first), check(std::move(c)), period(std::move(p)) {
    endpoint = std::move(e);
    seed = s;
    session = id;
    made = std::move(when);
    phase = Phase::Playing;
    latest.reset = true;
    latest.active = 1;
    delay = latest.delay;
    decisions[1] = latest;
    latest.reset = false;
    epoch = 1;
}

void Host::Decide(const Decision& decision) {
    latest = decision;
    undecided = true;
}

std::string Host::TakeNews() {
    std::string n;
    n.swap(news);
    return n;
}

Host::Peer* Host::ByMachine(int m) {
    for (Peer& p : peers)
        if (p.machine == m && p.step == Peer::Step::Playing) return &p;
    return nullptr;
}

bool Host::Needs(int m, long tick) const {
    auto it = decisions.upper_bound(tick);
    const Decision& d = std::prev(it)->second;
    if (!(d.active >> m & 1)) return false;
    // From the last reset on, key-downs act D ticks after it.
    long from = 1;
    for (auto r = it; r != decisions.begin();) {
        --r;
        if (r->second.reset) {
            from = r->first;
            break;
        }
    }
    return tick >= from + d.delay;
}

long Host::LastReset() const {
    long last = 1;
    for (const auto& [tick, d] : decisions)
        if (d.reset) last = tick;
    return last;
}

long Host::KeepFrom() const {
    long from = next - 1;
    for (const Peer& p : peers)
        if (p.step == Peer::Step::Playing) from = std::min(from, p.acked + 1);
    return from;
}

void Host::Made(uint32_t nowMs) {
    Finalize(nowMs);
    Pump(nowMs);
}

void Host::InputsReset(long tick) {
    ownInputs.erase(ownInputs.lower_bound(tick), ownInputs.end());
}

int Host::StallingMachine() const {
    long t = finalized + 1;
    if (Needs(0, t) && !ownInputs.count(t)) return 0;
    for (const Peer& p : peers)
        if (p.step == Peer::Step::Playing && Needs(p.machine, t) && !p.inputs.count(t)) return p.machine;
    return -1;
}

void Host::Finalize(uint32_t nowMs) {
    long before = finalized;
    for (;;) {
        long t = finalized + 1;
        if (undecided) {
            // The newest decision holds from the first tick not yet out; a reset there voids the
            // key-downs made for it and after it in the game before.
            decisions[t] = latest;
            undecided = false;
            if (latest.reset) {
                InputsReset(t);
                for (Peer& p : peers) p.inputs.erase(p.inputs.lower_bound(t), p.inputs.end());
            }
            latest.reset = false; // what is decided next builds on this, without starting again
        }
        TickData data;
        bool complete = true;
        if (Needs(0, t)) {
            auto own = ownInputs.find(t);
            if (own == ownInputs.end())
                complete = false;
            else
                data.keys[0] = own->second;
        }
        for (Peer& p : peers) {
            if (!complete || p.step != Peer::Step::Playing || !Needs(p.machine, t)) continue;
            auto in = p.inputs.find(t);
            if (in == p.inputs.end())
                complete = false;
            else
                data.keys[p.machine] = in->second;
        }
        if (!complete) break;
        auto d = decisions.find(t);
        data.decisions = d != decisions.end();
        ticks[t] = data;
        finalized = t;
        ownInputs.erase(t);
        for (Peer& p : peers) p.inputs.erase(t);
        if (data.decisions) {
            Message m{Kind::Decision, session};
            m.tick = static_cast<uint32_t>(t);
            m.decision = d->second;
            for (Peer& p : peers)
                if (p.step == Peer::Step::Playing) Send(p.id, Channel::Control, m);
        }
    }
    // Each tick goes out the moment it is complete: the machines wait for nothing else.
    if (finalized != before)
        for (Peer& p : peers)
            if (p.step == Peer::Step::Playing) SendTicks(p, nowMs, true);
}

void Host::SendTicks(Peer& p, uint32_t nowMs, bool force) {
    if (p.acked >= finalized) return;
    if (!force && nowMs - p.lastSent < kResendMs) return;
    Message m{Kind::Ticks, session};
    m.ack = static_cast<uint32_t>(p.heldInput);
    long first = p.acked + 1;
    m.first = static_cast<uint32_t>(first);
    for (long t = first; t <= finalized && m.ticks.size() < kMostTicks; ++t) {
        auto it = ticks.find(t);
        m.ticks.push_back(it != ticks.end() ? it->second : TickData{});
    }
    Send(p.id, Channel::Input, m);
    p.lastSent = nowMs;
}

void Host::CompareHashes(Peer& p) {
    long lastReset = LastReset();
    if (undecided && latest.reset) lastReset = finalized + 1;
    for (auto it = p.hashes.begin(); it != p.hashes.end();) {
        auto own = ownHashes.find(it->first);
        if (own == ownHashes.end()) {
            // Not run here yet: kept; long gone here: never to be compared.
            if (it->first < next - 60)
                it = p.hashes.erase(it);
            else
                ++it;
            continue;
        }
        if (own->second != it->second && it->first >= lastReset && !desync) {
            desync = true;
            desyncTick = it->first;
            desyncMask = static_cast<uint8_t>(1 << p.machine);
            Message m{Kind::Desync, session};
            m.tick = static_cast<uint32_t>(desyncTick);
            m.machine = desyncMask;
            for (Peer& other : peers)
                if (other.step == Peer::Step::Playing) Send(other.id, Channel::Control, m);
            // Everyone starts again together from the title screen.
            Decision d = latest;
            d.reset = true;
            Decide(d);
        }
        it = p.hashes.erase(it);
    }
}

void Host::Receive(Peer& p, const Message& m, uint32_t nowMs) {
    p.lastHeard = nowMs;
    switch (m.kind) {
    case Kind::Join: {
        if (p.step != Peer::Step::Hello) return;
        Reason reason = check ? check(m.profile) : Reason::None;
        bool seat = false;
        for (int s = 0; s < 4; ++s) seat |= latest.open[s] && latest.owner[s] < 0;
        if (reason == Reason::None && !seat) reason = Reason::NoSeat;
        if (reason != Reason::None) {
            endpoint->Disconnect(p.id, static_cast<uint32_t>(reason));
            p.step = Peer::Step::Hello;
            p.id = -2; // gone
            return;
        }
        p.profile = m.profile;
        p.step = Peer::Step::Pinging;
        break;
    }
    case Kind::Pong:
        if (p.step == Peer::Step::Pinging) p.roundTrips.push_back(nowMs - m.stamp);
        break;
    case Kind::Input: {
        if (m.session != session || p.step != Peer::Step::Playing) return;
        p.acked = std::max<long>(p.acked, m.ack);
        // Key-downs made before a reset this host has named for their tick are void.
        for (size_t i = 0; i < m.inputs.size(); ++i) {
            long t = static_cast<long>(m.first) + static_cast<long>(i);
            if (t <= finalized || t > finalized + kHorizon) continue;
            long reset = 1;
            for (const auto& [tick, d] : decisions)
                if (d.reset && tick <= t) reset = tick;
            if (static_cast<long>(m.epoch) < reset) continue;
            p.inputs[t] = m.inputs[i];
        }
        p.heldInput = std::max(p.heldInput, finalized);
        while (p.inputs.count(p.heldInput + 1)) ++p.heldInput;
        for (const auto& h : m.hashes)
            if (static_cast<long>(h[0]) > next - 60 && static_cast<long>(h[0]) < next + kHorizon)
                p.hashes[h[0]] = h[1];
        CompareHashes(p);
        break;
    }
    default:
        break; // nothing else comes from a joiner
    }
}

void Host::Admit(Peer& p, uint32_t nowMs) {
    int newcomer = 1;
    while (newcomer < kMaxMachines && ((latest.active >> newcomer & 1) || ByMachine(newcomer))) ++newcomer;
    int seat = 0;
    while (seat < 4 && !(latest.open[seat] && latest.owner[seat] < 0)) ++seat;
    if (newcomer >= kMaxMachines || seat >= 4) {
        endpoint->Disconnect(p.id, static_cast<uint32_t>(seat >= 4 ? Reason::NoSeat : Reason::Full));
        p.id = -2;
        return;
    }
    // D from the slowest round trip of all, measured while each joined.
    std::vector<uint32_t> trips = p.roundTrips;
    std::sort(trips.begin(), trips.end());
    uint32_t trip = trips.empty() ? kPingingMs : trips[trips.size() / 2];
    uint32_t tick = std::max<uint32_t>(1, period ? period() : 10);
    auto needed = static_cast<uint8_t>(
        std::min<uint32_t>(100, std::max<uint32_t>(2, (trip + kDelayMarginMs + tick - 1) / tick)));
    Decision d = latest;
    d.delay = std::max(d.delay, needed);
    d.owner[seat] = static_cast<int8_t>(newcomer);
    d.open[seat] = false;
    d.names[newcomer] = {};
    std::copy_n(p.profile.name, kNameBytes - 1, d.names[newcomer].data());
    d.active = static_cast<uint8_t>(d.active | 1 << newcomer);
    d.reset = true;
    // The seat plays with the joiner's player: name, colour, abilities, speed; a human there.
    PutProfile(d.image, seat, p.profile);
    PutKind(d.image, seat, kHuman);
    Decide(d);
    p.machine = newcomer;
    p.step = Peer::Step::Playing;
    p.acked = finalized;
    p.heldInput = finalized;
    p.lastSent = nowMs;
    Message w{Kind::Welcome, session};
    w.machine = static_cast<uint8_t>(newcomer);
    w.tick = static_cast<uint32_t>(finalized + 1);
    w.seed = seed;
    w.made = made;
    // The host reaches the first tick when the ticks it runs before it are run: the joiner starts
    // then too, rather than ahead of everyone by those ticks.
    w.stamp = static_cast<uint32_t>(std::max<long>(0, finalized + 1 - next)) * tick;
    Send(p.id, Channel::Control, w);
    news = Name(d, newcomer) + " joined";
}

void Host::Drop(int gone, const std::string& why) {
    Decision d = latest;
    d.active = static_cast<uint8_t>(d.active & ~(1 << gone));
    Decide(d);
    news = Name(d, gone) + " " + why;
    for (Peer& p : peers)
        if (p.machine == gone && p.step == Peer::Step::Playing) {
            endpoint->Disconnect(p.id, static_cast<uint32_t>(Reason::Dropped));
            p.id = -2;
        }
}

bool Host::Pump(uint32_t nowMs) {
    bool got = false;
    for (plat::net::Event e; (e = endpoint->Poll()).kind != EventKind::None;) {
        got = true;
        auto peer = std::find_if(peers.begin(), peers.end(), [&](const Peer& p) { return p.id == e.peer; });
        switch (e.kind) {
        case EventKind::Connected: {
            int playing = 1;
            for (const Peer& p : peers) playing += p.id >= 0;
            if (e.data != kHello) {
                endpoint->Disconnect(e.peer, static_cast<uint32_t>(Reason::Version));
                news = "a machine with another version of Tarvel 4 was turned away";
            } else if (playing >= kMaxMachines) {
                endpoint->Disconnect(e.peer, static_cast<uint32_t>(Reason::Full));
                news = "a fifth machine was turned away: four play already";
            } else {
                Peer p;
                p.id = e.peer;
                p.lastHeard = nowMs;
                peers.push_back(p);
            }
            break;
        }
        case EventKind::Disconnected:
            if (peer != peers.end()) {
                if (peer->step == Peer::Step::Playing) Drop(peer->machine, "left");
                peer->id = -2;
            }
            break;
        case EventKind::Received: {
            Message m;
            if (peer == peers.end() || !Decode(e.bytes.data(), e.bytes.size(), m)) break; // not ours
            Receive(*peer, m, nowMs);
            break;
        }
        case EventKind::None:
            break;
        }
    }
    peers.erase(std::remove_if(peers.begin(), peers.end(), [](const Peer& p) { return p.id == -2; }),
                peers.end());
    return got;
}

void Host::Service(uint32_t nowMs) {
    if (phase != Phase::Playing) return;
    // What arrived completes ticks, which go out at once: sends only leave with the next poll,
    // and what that brings may complete more.
    for (int round = 0; round < 4 && Pump(nowMs); ++round) Finalize(nowMs);
    for (Peer& p : peers) {
        if (p.step == Peer::Step::Pinging) {
            if (p.pingsSent < kPings && nowMs - p.lastPing >= kPingGapMs) {
                Message m{Kind::Ping, session};
                m.stamp = nowMs;
                Send(p.id, Channel::Input, m);
                ++p.pingsSent;
                p.lastPing = nowMs;
            }
            if (static_cast<int>(p.roundTrips.size()) >= kPings || nowMs - p.lastHeard > kPingingMs)
                p.step = Peer::Step::Waiting;
        }
        if (p.step == Peer::Step::Waiting && admitting) Admit(p, nowMs);
    }
    peers.erase(std::remove_if(peers.begin(), peers.end(), [](const Peer& p) { return p.id == -2; }),
                peers.end());
    Finalize(nowMs);
    for (Peer& p : peers)
        if (p.step == Peer::Step::Playing) CompareHashes(p);
    // Whom the round waits for, told once; a machine silent too long is played without.
    int stalled = WaitingFor(nowMs);
    auto told = static_cast<uint8_t>(stalled < 0 ? 255 : stalled);
    if (told != stalledFor) {
        stalledFor = told;
        Message m{Kind::Stall, session};
        m.machine = told;
        for (Peer& p : peers)
            if (p.step == Peer::Step::Playing) Send(p.id, Channel::Control, m);
    }
    if (stalled > 0 && nowMs - waitingSince >= kDropMs) {
        Drop(stalled, "was dropped: nothing came from that machine for 3 s");
        Finalize(nowMs);
    }
    for (Peer& p : peers)
        if (p.step == Peer::Step::Playing) SendTicks(p, nowMs, false);
    Pump(nowMs);
}

void Host::Leave() {
    for (Peer& p : peers)
        if (p.id >= 0) endpoint->Disconnect(p.id, static_cast<uint32_t>(Reason::Left));
    endpoint->Poll(); // sends the goodbyes
    End("left");
}

// --- a joiner ------------------------------------------------------------------------------------

void Joiner::Leave() {
    if (hostPeer >= 0 && phase != Phase::Ended)
        endpoint->Disconnect(hostPeer, static_cast<uint32_t>(Reason::Left));
    endpoint->Poll();
    End("left");
}

Joiner::Joiner(std::unique_ptr<plat::net::Endpoint> e, const Profile& p) : player(p) {
    endpoint = std::move(e);
    machine = -1;
}

void Joiner::InputsReset(long tick) {
    ownInputs.erase(ownInputs.lower_bound(tick), ownInputs.end());
}

int Joiner::StallingMachine() const {
    return stall >= 0 && stall < kMaxMachines ? stall : 0;
}

void Joiner::SendInput(uint32_t nowMs, bool force) {
    if (phase != Phase::Playing || hostPeer < 0) return;
    if (!force && nowMs - lastSent < kResendMs) return;
    Message m{Kind::Input, session};
    long held = next - 1;
    while (ticks.count(held + 1)) ++held;
    m.ack = static_cast<uint32_t>(held);
    m.epoch = static_cast<uint32_t>(epoch);
    for (auto h = ownHashes.rbegin(); h != ownHashes.rend() && m.hashes.size() < kMostHashes; ++h)
        m.hashes.push_back({static_cast<uint32_t>(h->first), h->second});
    auto first = ownInputs.upper_bound(inputHeld);
    if (first != ownInputs.end()) {
        m.first = static_cast<uint32_t>(first->first);
        for (long t = first->first; t <= ownInputs.rbegin()->first && m.inputs.size() < kMostTicks; ++t) {
            auto in = ownInputs.find(t);
            m.inputs.push_back(in != ownInputs.end() ? in->second : std::vector<uint8_t>{});
        }
    }
    Send(hostPeer, Channel::Input, m);
    lastSent = nowMs;
}

void Joiner::Receive(const Message& m, uint32_t nowMs) {
    lastHeard = nowMs;
    if (m.kind == Kind::Welcome) {
        if (phase != Phase::Joining) return;
        session = m.session;
        machine = m.machine;
        next = m.tick;
        epoch = m.tick;
        seed = m.seed;
        made = m.made;
        startAt = nowMs + m.stamp;
        phase = Phase::Playing;
        return;
    }
    if (m.kind == Kind::Ping) {
        Message pong{Kind::Pong, m.session};
        pong.stamp = m.stamp;
        Send(hostPeer, Channel::Input, pong);
        return;
    }
    if (phase != Phase::Playing || m.session != session) return; // not of this session
    switch (m.kind) {
    case Kind::Decision:
        if (static_cast<long>(m.tick) >= next && static_cast<long>(m.tick) <= next + kHorizon)
            decisions[m.tick] = m.decision;
        break;
    case Kind::Desync:
        desync = true;
        desyncTick = m.tick;
        desyncMask = m.machine;
        break;
    case Kind::Stall:
        stall = m.machine == 255 ? -1 : m.machine;
        break;
    case Kind::Ticks:
        inputHeld = std::max<long>(inputHeld, m.ack);
        ownInputs.erase(ownInputs.begin(), ownInputs.upper_bound(inputHeld));
        for (size_t i = 0; i < m.ticks.size(); ++i) {
            long t = static_cast<long>(m.first) + static_cast<long>(i);
            if (t >= next && t <= next + kHorizon) ticks[t] = m.ticks[i];
        }
        break;
    default:
        break;
    }
}

void Joiner::Pump(uint32_t nowMs) {
    for (plat::net::Event e; phase != Phase::Ended && (e = endpoint->Poll()).kind != EventKind::None;) {
        switch (e.kind) {
        case EventKind::Connected: {
            hostPeer = e.peer;
            connected = true;
            lastHeard = nowMs;
            Message join{Kind::Join, 0};
            join.profile = player;
            Send(hostPeer, Channel::Control, join);
            break;
        }
        case EventKind::Disconnected:
            switch (static_cast<Reason>(e.data)) {
            case Reason::Version:
                End("the host runs another version of Tarvel 4");
                break;
            case Reason::Full:
                End("the game is full: four machines play already");
                break;
            case Reason::NoSeat:
                End("the host has no seat open for another machine");
                break;
            case Reason::Budget:
                End("your player's abilities and speed cost more than the 7 points a player may spend");
                break;
            case Reason::Dropped:
                End("the host played on without this machine: its input stopped coming");
                break;
            case Reason::Left:
                End("the host left the game");
                break;
            default:
                End(connected ? "the connection to the host was lost" : "no host answered");
                break;
            }
            break;
        case EventKind::Received: {
            Message m;
            if (e.peer == hostPeer && Decode(e.bytes.data(), e.bytes.size(), m)) Receive(m, nowMs);
            break;
        }
        case EventKind::None:
            break;
        }
    }
}

void Joiner::Service(uint32_t nowMs) {
    if (phase == Phase::Ended) return;
    Pump(nowMs);
    // While it waits to be let in (the host's round goes on) the host says nothing; ENet's own
    // timeout tells a lost host then.
    if (phase == Phase::Playing && nowMs - lastHeard > kHostLostMs) {
        End("the host stopped answering");
        return;
    }
    SendInput(nowMs, false);
    Pump(nowMs);
}

} // namespace net
