// The simulated network: what the session layer's deterministic tests rely on.
#include "platform/netsim.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

using namespace plat::net;
using Kind = Event::Kind;

struct Arrival {
    uint32_t at;
    Event event;
    uint32_t Value() const {
        uint32_t value = 0;
        if (event.bytes.size() == 4) std::memcpy(&value, event.bytes.data(), 4);
        return value;
    }
};

// Machines on one virtual clock, run from delivery to delivery as a headless loop would.
struct Net {
    Net(int machines, uint64_t seed, uint32_t start = 0)
        : clock(start), net(machines, seed, [this] { return clock; }), ends(machines), seen(machines) {}

    void RunFor(uint32_t ms) {
        uint32_t until = clock + ms;
        for (;;) {
            for (size_t m = 0; m < ends.size(); ++m)
                for (Event e; ends[m] && (e = ends[m]->Poll()).kind != Kind::None;)
                    seen[m].push_back({clock, e});
            auto next = net.NextDue();
            if (clock == until || !next || static_cast<int32_t>(*next - until) > 0) break;
            clock = static_cast<int32_t>(*next - clock) > 0 ? *next : clock + 1;
        }
        clock = until;
    }
    bool Send(int machine, int peer, Channel channel, uint32_t value) {
        return ends[machine]->Send(peer, channel, reinterpret_cast<const uint8_t*>(&value), 4);
    }
    std::vector<Arrival> Of(int machine, Kind kind) const {
        std::vector<Arrival> out;
        for (const Arrival& a : seen[machine])
            if (a.event.kind == kind) out.push_back(a);
        return out;
    }

    uint32_t clock;
    SimNetwork net;
    std::vector<std::unique_ptr<Endpoint>> ends;
    std::vector<std::vector<Arrival>> seen;
};

TEST(SimNetwork, ReliableInOrderUnsequencedLostDuplicatedAndReorderedAtTheirRates) {
    Net n(2, 7, 0xFFFFF000u); // near the clock's wrap, which must not matter
    const LinkConditions link{30, 20, 0.2, 0.1};
    n.net.SetAllLinks(link);
    n.ends[0] = n.net.Listen();
    n.ends[1] = n.net.Connect(1, 0xABCD1234);
    n.RunFor(2000);
    ASSERT_EQ(n.seen[1].at(0).event.kind, Kind::Connected);

    // Every 2 ms an unsequenced packet, every 20 ms a reliable one.
    const uint32_t start = n.clock, count = 2000;
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_TRUE(n.Send(1, 0, Channel::Input, i));
        EXPECT_TRUE(i % 10 != 0 || n.Send(1, 0, Channel::Control, i / 10));
        n.RunFor(2);
    }
    n.RunFor(5000);
    std::vector<uint32_t> inOrder;
    std::map<uint32_t, int> copies;
    uint32_t slowest = 0, reordered = 0, received = 0;
    for (const Arrival& a : n.Of(0, Kind::Received)) {
        uint32_t value = a.Value();
        if (a.event.channel == Channel::Control) {
            EXPECT_EQ(value, inOrder.size());
            inOrder.push_back(value);
            slowest = std::max(slowest, a.at - start - 20 * value);
            continue;
        }
        EXPECT_GE(a.at - start - 2 * value, link.delayMs - link.jitterMs);
        EXPECT_LE(a.at - start - 2 * value, link.delayMs + link.jitterMs);
        reordered += !copies.empty() && value < copies.rbegin()->first;
        ++copies[value], ++received;
    }
    EXPECT_EQ(inOrder.size(), count / 10);
    // Lost tries went again a retransmission timeout (twice the 60 ms round trip) later.
    EXPECT_GE(slowest, 2 * 60 + link.delayMs - link.jitterMs);
    EXPECT_NEAR(received / double(count), 0.8 * 1.1, 0.04);
    EXPECT_NEAR(1.0 - copies.size() / double(count), 0.9 * 0.2 + 0.1 * 0.2 * 0.2, 0.03);
    EXPECT_GT(reordered, 100u);
}

// A session-like exchange on bad links, written down event by event.
std::string Exchange(uint64_t seed) {
    Net n(3, seed);
    n.net.SetAllLinks({25, 15, 0.15, 0.05});
    n.ends[0] = n.net.Listen();
    n.ends[1] = n.net.Connect(1, 1);
    n.ends[2] = n.net.Connect(2, 2);
    n.RunFor(1000);
    for (uint32_t i = 0; i < 300; ++i) {
        for (int m = 0; m < 3; ++m) n.Send(m, m == 0 ? static_cast<int>(i % 2) : 0, Channel::Input, i);
        if (i % 7 == 0) n.Send(1, 0, Channel::Control, i);
        if (i == 200) n.ends[0]->Disconnect(1, 5);
        n.RunFor(16);
    }
    n.RunFor(kPeerTimeoutMs);
    std::string log;
    char line[80];
    for (size_t m = 0; m < n.seen.size(); ++m)
        for (const Arrival& a : n.seen[m]) {
            std::snprintf(line, sizeof line, "%zu %u %d %d %u %u\n", m, a.at, int(a.event.kind), a.event.peer,
                          a.event.data, a.Value());
            log += line;
        }
    return log;
}

TEST(SimNetwork, SameSeedSameDeliveries) {
    std::string first = Exchange(11);
    EXPECT_GT(std::count(first.begin(), first.end(), '\n'), 500);
    EXPECT_EQ(Exchange(11), first);
    EXPECT_NE(Exchange(12), first);
}

TEST(SimNetwork, DisconnectsWithReasonsAndSilenceTimesOut) {
    Net n(4, 1, 500);
    n.net.SetAllLinks({10, 0, 0, 0});
    n.ends[0] = n.net.Listen();
    for (int m = 1; m < 3; ++m) n.ends[m] = n.net.Connect(m, 100 + m);
    n.RunFor(100);
    // The host hears a joiner at once, the joiner a round trip after asking.
    auto connected = n.Of(0, Kind::Connected);
    ASSERT_EQ(connected.size(), 2u);
    EXPECT_EQ(connected[0].at, 510u);
    EXPECT_EQ(n.Of(1, Kind::Connected).at(0).at, 520u);
    int peer1 = connected[connected[0].event.data == 101 ? 0 : 1].event.peer;
    int peer2 = connected[connected[0].event.data == 102 ? 0 : 1].event.peer;

    // A refusal: a last message, then the reason; nothing more goes either way.
    EXPECT_TRUE(n.Send(0, peer1, Channel::Control, 77));
    n.ends[0]->Disconnect(peer1, 42);
    EXPECT_FALSE(n.Send(0, peer1, Channel::Input, 1));
    EXPECT_TRUE(n.Send(1, 0, Channel::Control, 78));
    n.RunFor(100);
    ASSERT_EQ(n.seen[1].size(), 3u);
    EXPECT_EQ(n.seen[1][1].Value(), 77u);
    EXPECT_EQ(n.seen[1][2].event.data, 42u); // Disconnected
    EXPECT_FALSE(n.Send(1, 0, Channel::Control, 79));
    ASSERT_EQ(n.Of(0, Kind::Disconnected).size(), 1u);
    EXPECT_EQ(n.Of(0, Kind::Disconnected)[0].event.peer, peer1);
    EXPECT_EQ(n.Of(0, Kind::Disconnected)[0].event.data, 0u);
    EXPECT_TRUE(n.Of(0, Kind::Received).empty());

    // Silence: nothing gets through from then on, and both ends time out together.
    const uint32_t silenced = n.clock;
    n.net.Silence(2);
    EXPECT_TRUE(n.Send(2, 0, Channel::Control, 80));
    EXPECT_TRUE(n.Send(0, peer2, Channel::Control, 81));
    n.RunFor(kPeerTimeoutMs);
    ASSERT_EQ(n.Of(0, Kind::Disconnected).size(), 2u);
    EXPECT_EQ(n.Of(0, Kind::Disconnected)[1].event.peer, peer2);
    EXPECT_EQ(n.Of(0, Kind::Disconnected)[1].at, silenced + kPeerTimeoutMs);
    EXPECT_EQ(n.seen[2].back().event.kind, Kind::Disconnected);
    EXPECT_EQ(n.seen[2].back().at, silenced + kPeerTimeoutMs);
    EXPECT_TRUE(n.Of(0, Kind::Received).empty() && n.Of(2, Kind::Received).empty());

    // A joiner back takes the lowest free id; its destroyed endpoint is heard of at once. One cut
    // off before connecting times out.
    n.ends[1].reset();
    n.ends[1] = n.net.Connect(1, 201);
    n.RunFor(100);
    EXPECT_EQ(n.Of(0, Kind::Connected).back().event.peer, std::min(peer1, peer2));
    n.ends[1].reset();
    n.net.Silence(3);
    n.ends[3] = n.net.Connect(3, 301);
    n.RunFor(10);
    EXPECT_EQ(n.Of(0, Kind::Disconnected).size(), 3u);
    n.RunFor(kPeerTimeoutMs);
    ASSERT_EQ(n.seen[3].size(), 1u);
    EXPECT_EQ(n.seen[3][0].event.kind, Kind::Disconnected);
    EXPECT_FALSE(n.net.NextDue());
}

} // namespace
