// The simulated network: every machine's inbox ordered by delivery time, connections as two
// sides that each know what they have reported, one seeded generator for every draw.
#include "platform/netsim.h"

#include "platform/seeded_random.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace plat::net {

namespace {

using Random = SeededRandom;

// What one end of a connection has made of it.
enum class Side { Absent, Connecting, Connected, Leaving, Gone };

struct Connection {
    int joiner = 0;
    uint32_t hello = 0;
    int hostPeer = -1; // the joiner's id on the host
    Side host = Side::Absent;
    Side join = Side::Connecting;
    Side& At(int machine) { return machine == 0 ? host : join; }
};

// What travels: a joiner's request and the host's answer, a packet, a disconnection and its
// acknowledgement; and two that never travel: a timeout, and a joiner giving up its attempt.
enum class Carry { Request, Accept, Data, Notice, Done, Timeout, GiveUp };

struct Item {
    Carry carry = Carry::Data;
    int from = 0;
    int connection = 0;
    Channel channel = Channel::Control;
    uint32_t data = 0;
    std::vector<uint8_t> bytes;
};

} // namespace

struct SimNetwork::State {
    struct Machine {
        bool live = false;
        std::optional<int64_t> silencedAt;
        std::map<std::pair<int64_t, uint64_t>, Item> inbox; // by (due, order sent)
        std::vector<int> peers;                             // connection by peer id, -1 for none
    };

    State(int count, uint64_t seed, Clock clockIn)
        : clock(std::move(clockIn)), random(seed), machines(static_cast<size_t>(std::max(count, 1))),
          links(machines.size(), std::vector<LinkConditions>(machines.size())),
          lastReliable(machines.size(), std::vector<int64_t>(machines.size(), 0)) {
        lastRaw = clock();
    }

    // The clock as a 64-bit count that never wraps.
    int64_t Now() {
        uint32_t raw = clock();
        now += std::max<int32_t>(0, static_cast<int32_t>(raw - lastRaw));
        lastRaw = raw;
        return now;
    }

    bool Valid(int machine) const { return machine >= 0 && machine < static_cast<int>(machines.size()); }

    void Enqueue(int to, int64_t due, Item item) {
        if (!machines[to].live) return;
        machines[to].inbox.emplace(std::pair(due, order++), std::move(item));
    }

    int64_t Delay(const LinkConditions& link) {
        return std::max<int64_t>(0, int64_t{link.delayMs} + random.Spread(link.jitterMs));
    }

    // One datagram, or two with the duplication fraction, each lost or delayed on its own. False
    // when nothing got on its way.
    bool SendLoose(int to, Item item, bool mayDuplicate) {
        const LinkConditions& link = links[item.from][to];
        int copies = mayDuplicate && random.Unit() < link.duplicate ? 2 : 1;
        bool sent = false;
        for (int copy = 0; copy < copies; ++copy) {
            if (random.Unit() < link.loss) continue;
            int64_t due = now + Delay(link);
            if (copy + 1 < copies)
                Enqueue(to, due, item);
            else
                Enqueue(to, due, std::move(item));
            sent = true;
        }
        return sent;
    }

    // Arrives in order after every earlier reliable packet of its direction; each lost try costs
    // one retransmission timeout.
    void SendReliable(int to, Item item) {
        int from = item.from;
        const LinkConditions& link = links[from][to];
        int64_t roundTrip = int64_t{link.delayMs} + links[to][from].delayMs;
        int64_t retransmit = std::max<int64_t>(2 * roundTrip, kMinRetransmitMs);
        int64_t due = now;
        for (int tries = 0; tries < 1000 && random.Unit() < link.loss; ++tries) due += retransmit;
        due = std::max(due + Delay(link), lastReliable[from][to]);
        lastReliable[from][to] = due;
        Enqueue(to, due, std::move(item));
    }

    void SendTimeout(int to, int connection, int64_t due, Carry carry = Carry::Timeout) {
        Item item;
        item.carry = carry;
        item.from = to;
        item.connection = connection;
        Enqueue(to, due, std::move(item));
    }

    static bool Live(Side side) {
        return side == Side::Connecting || side == Side::Connected || side == Side::Leaving;
    }

    // The connection behind a peer id of this machine, or -1.
    int Lookup(int machine, int peer) const {
        const auto& peers = machines[machine].peers;
        if (peer < 0 || peer >= static_cast<int>(peers.size())) return -1;
        return peers[peer];
    }

    int Other(int machine, const Connection& c) const { return machine == 0 ? c.joiner : 0; }
    int PeerId(int machine, const Connection& c) const { return machine == 0 ? c.hostPeer : 0; }

    bool Send(int machine, int peer, Channel channel, const uint8_t* bytes, size_t size) {
        Now();
        int id = Lookup(machine, peer);
        if (size > kMaxPacket || id < 0 || connections[id].At(machine) != Side::Connected) return false;
        if (channel != Channel::Control && channel != Channel::Input) return false;
        Item item;
        item.from = machine;
        item.connection = id;
        item.channel = channel;
        item.bytes.assign(bytes, bytes + size);
        int to = Other(machine, connections[id]);
        if (channel == Channel::Control)
            SendReliable(to, std::move(item));
        else
            SendLoose(to, std::move(item), true);
        return true;
    }

    void Disconnect(int machine, int peer, uint32_t reason) {
        Now();
        int id = Lookup(machine, peer);
        if (id < 0 || connections[id].At(machine) != Side::Connected) return;
        connections[id].At(machine) = Side::Leaving;
        Item item;
        item.carry = Carry::Notice;
        item.from = machine;
        item.connection = id;
        item.data = reason;
        SendReliable(Other(machine, connections[id]), std::move(item));
    }

    // The side has gone: its peer id is free again on the host.
    Event Gone(int machine, int id, uint32_t reason) {
        Connection& c = connections[id];
        Event event;
        event.kind = Event::Kind::Disconnected;
        event.peer = PeerId(machine, c);
        event.data = reason;
        c.At(machine) = Side::Gone;
        auto& peers = machines[machine].peers;
        std::replace(peers.begin(), peers.end(), id, -1);
        return event;
    }

    Event Deliver(int machine, Item& item) {
        Connection& c = connections[item.connection];
        Side& side = c.At(machine);
        Event event;
        switch (item.carry) {
        case Carry::Request: {
            if (c.join == Side::Gone) break;
            auto& peers = machines[0].peers;
            auto free = std::find(peers.begin(), peers.end(), -1);
            if (free == peers.end()) break; // no room: the joiner times out
            *free = item.connection;
            c.hostPeer = static_cast<int>(free - peers.begin());
            side = Side::Connected;
            event.kind = Event::Kind::Connected;
            event.peer = c.hostPeer;
            event.data = c.hello;
            Item accept;
            accept.carry = Carry::Accept;
            accept.from = 0;
            accept.connection = item.connection;
            SendReliable(c.joiner, std::move(accept));
            break;
        }
        case Carry::Accept:
            if (side == Side::Connecting) {
                side = Side::Connected;
                machines[machine].peers.assign(1, item.connection);
                event.kind = Event::Kind::Connected;
                event.peer = 0;
            } else if (Live(c.host)) {
                // The joiner gave up before the answer came: the host hears nothing more.
                SendTimeout(0, item.connection, now + kPeerTimeoutMs);
            }
            break;
        case Carry::Data:
            if (side != Side::Connected) break;
            event.kind = Event::Kind::Received;
            event.peer = PeerId(machine, c);
            event.channel = item.channel;
            event.bytes = std::move(item.bytes);
            break;
        case Carry::Notice:
            if (side != Side::Connected && side != Side::Leaving) break;
            event = Gone(machine, item.connection, item.data);
            if (c.At(item.from) == Side::Leaving) {
                Item done;
                done.carry = Carry::Done;
                done.from = machine;
                done.connection = item.connection;
                SendReliable(item.from, std::move(done));
            }
            break;
        case Carry::Done:
            if (side == Side::Leaving) event = Gone(machine, item.connection, 0);
            break;
        case Carry::Timeout:
            if (Live(side)) event = Gone(machine, item.connection, 0);
            break;
        case Carry::GiveUp:
            if (side == Side::Connecting) event = Gone(machine, item.connection, 0);
            break;
        }
        return event;
    }

    bool CutOff(int machine, int64_t due) const {
        const auto& silenced = machines[machine].silencedAt;
        return silenced && due >= *silenced;
    }

    Event Poll(int machine) {
        Now();
        auto& inbox = machines[machine].inbox;
        while (!inbox.empty() && inbox.begin()->first.first <= now) {
            auto node = inbox.extract(inbox.begin());
            Item& item = node.mapped();
            int64_t due = node.key().first;
            bool local = item.carry == Carry::Timeout || item.carry == Carry::GiveUp;
            if (!local && (CutOff(machine, due) || CutOff(item.from, due))) continue;
            Event event = Deliver(machine, item);
            if (event.kind != Event::Kind::None) return event;
        }
        return {};
    }

    // The endpoint is gone: its peers are told with one datagram, or time out when it is lost.
    void Close(int machine) {
        Now();
        Machine& m = machines[machine];
        for (int id = 0; id < static_cast<int>(connections.size()); ++id) {
            Connection& c = connections[id];
            if (machine != 0 && c.joiner != machine) continue;
            Side& side = c.At(machine);
            if (!Live(side)) continue;
            bool told = side != Side::Connecting;
            side = Side::Gone;
            int other = Other(machine, c);
            if (!Live(c.At(other))) continue;
            Item notice;
            notice.carry = Carry::Notice;
            notice.from = machine;
            notice.connection = id;
            if (!told || !SendLoose(other, std::move(notice), false))
                SendTimeout(other, id, now + kPeerTimeoutMs);
        }
        m.live = false;
        m.inbox.clear();
        m.peers.clear();
    }

    Clock clock;
    Random random;
    std::vector<Machine> machines;
    std::vector<std::vector<LinkConditions>> links;
    std::vector<std::vector<int64_t>> lastReliable; // latest reliable arrival, by direction
    std::vector<Connection> connections;
    uint32_t lastRaw = 0;
    int64_t now = 0;
    uint64_t order = 0;
};

namespace {

class SimEndpoint final : public Endpoint {
  public:
    SimEndpoint(std::shared_ptr<SimNetwork::State> state, int machine)
        : state_(std::move(state)), machine_(machine) {}
    ~SimEndpoint() override { state_->Close(machine_); }
    bool Send(int peer, Channel channel, const uint8_t* data, size_t size) override {
        return state_->Send(machine_, peer, channel, data, size);
    }
    Event Poll() override { return state_->Poll(machine_); }
    void Disconnect(int peer, uint32_t reason) override { state_->Disconnect(machine_, peer, reason); }
    int WakeDescriptor() const override { return -1; }

  private:
    std::shared_ptr<SimNetwork::State> state_;
    int machine_;
};

} // namespace

SimNetwork::SimNetwork(int machines, uint64_t seed, Clock clock)
    : state_(std::make_shared<State>(machines, seed, std::move(clock))) {}

SimNetwork::~SimNetwork() = default;

void SimNetwork::SetLink(int from, int to, const LinkConditions& link) {
    if (!state_->Valid(from) || !state_->Valid(to)) return;
    LinkConditions& set = state_->links[from][to];
    set = link;
    set.loss = std::clamp(link.loss, 0.0, 0.99);
    set.duplicate = std::clamp(link.duplicate, 0.0, 1.0);
}

void SimNetwork::SetAllLinks(const LinkConditions& link) {
    int count = static_cast<int>(state_->machines.size());
    for (int from = 0; from < count; ++from)
        for (int to = 0; to < count; ++to) SetLink(from, to, link);
}

std::unique_ptr<Endpoint> SimNetwork::Listen() {
    State::Machine& host = state_->machines[0];
    if (host.live) return nullptr;
    state_->Now();
    host.live = true;
    host.peers.assign(kMaxConnections, -1);
    return std::make_unique<SimEndpoint>(state_, 0);
}

std::unique_ptr<Endpoint> SimNetwork::Connect(int machine, uint32_t hello) {
    if (machine <= 0 || !state_->Valid(machine) || state_->machines[machine].live) return nullptr;
    State& s = *state_;
    s.Now();
    s.machines[machine].live = true;
    s.machines[machine].peers.clear();
    int id = static_cast<int>(s.connections.size());
    Connection c;
    c.joiner = machine;
    c.hello = hello;
    s.connections.push_back(c);
    Item request;
    request.carry = Carry::Request;
    request.from = machine;
    request.connection = id;
    s.SendReliable(0, std::move(request));
    // No answer in time (no host, no room, cut off): the attempt fails as ENet's does.
    s.SendTimeout(machine, id, s.now + kPeerTimeoutMs, Carry::GiveUp);
    return std::make_unique<SimEndpoint>(state_, machine);
}

void SimNetwork::Silence(int machine) {
    State& s = *state_;
    if (!s.Valid(machine) || s.machines[machine].silencedAt) return;
    s.Now();
    s.machines[machine].silencedAt = s.now;
    for (int id = 0; id < static_cast<int>(s.connections.size()); ++id) {
        const Connection& c = s.connections[id];
        if (machine != 0 && c.joiner != machine) continue;
        if (State::Live(c.host)) s.SendTimeout(0, id, s.now + kPeerTimeoutMs);
        if (State::Live(c.join)) s.SendTimeout(c.joiner, id, s.now + kPeerTimeoutMs);
    }
}

std::optional<uint32_t> SimNetwork::NextDue() {
    State& s = *state_;
    s.Now();
    std::optional<int64_t> next;
    for (const auto& machine : s.machines)
        if (!machine.inbox.empty()) {
            int64_t due = machine.inbox.begin()->first.first;
            next = next ? std::min(*next, due) : due;
        }
    if (!next) return std::nullopt;
    return s.lastRaw + static_cast<uint32_t>(std::max<int64_t>(0, *next - s.now));
}

} // namespace plat::net
