// Endpoints over ENet on 127.0.0.1: connecting, both channels, refusals, silence, garbage.
#include "platform/net.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <set>

namespace {

using namespace plat::net;
using namespace std::chrono_literals;
using Kind = Event::Kind;

// Endpoints polled together, their events kept, waiting on their descriptors in between.
struct Loop {
    std::vector<Endpoint*> ends;
    std::vector<std::vector<Event>> seen = std::vector<std::vector<Event>>(ends.size());

    void Turn() {
        for (size_t i = 0; i < ends.size(); ++i)
            for (Event e; (e = ends[i]->Poll()).kind != Kind::None;) seen[i].push_back(std::move(e));
    }
    bool Until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
        for (auto end = std::chrono::steady_clock::now() + limit;;) {
            Turn();
            if (done()) return true;
            if (std::chrono::steady_clock::now() >= end) return false;
            std::vector<pollfd> fds;
            for (Endpoint* e : ends) fds.push_back({e->WakeDescriptor(), POLLIN, 0});
            poll(fds.data(), fds.size(), 5);
        }
    }
    std::vector<Event> Of(size_t end, Kind kind) const {
        std::vector<Event> out;
        for (const Event& e : seen[end])
            if (e.kind == kind) out.push_back(e);
        return out;
    }
};

// A host and a joiner, connected.
struct Pair {
    explicit Pair(uint32_t hello = 1) {
        std::string error;
        host = Listen(0, error);
        joiner = host ? Connect("127.0.0.1", host->BoundPort(), hello, error) : nullptr;
        if (!joiner) ADD_FAILURE() << error;
        loop = {{host.get(), joiner.get()}};
        connected = joiner && loop.Until([&] { return loop.Of(0, Kind::Connected).size() == 1; }, 5s);
        if (connected) peer = loop.Of(0, Kind::Connected)[0].peer;
    }
    std::unique_ptr<Endpoint> host, joiner;
    Loop loop;
    bool connected = false;
    int peer = -1; // the joiner on the host
};

std::vector<uint8_t> Packet(uint32_t index) {
    std::vector<uint8_t> bytes(index % 10 == 9 ? kMaxPacket : 4 + index * 13 % 600,
                               static_cast<uint8_t>(index));
    std::memcpy(bytes.data(), &index, 4);
    return bytes;
}

TEST(EnetEndpoint, ConnectsWithHelloAndCarriesBothChannelsBothWaysThroughGarbage) {
    Pair p(0xC0FFEE42);
    ASSERT_TRUE(p.connected);
    EXPECT_EQ(p.loop.Of(0, Kind::Connected)[0].data, 0xC0FFEE42u);
    EXPECT_EQ(p.loop.Of(1, Kind::Connected).at(0).peer, 0);
    std::vector<uint8_t> junk(8200);
    EXPECT_FALSE(p.joiner->Send(0, Channel::Control, junk.data(), kMaxPacket + 1));
    EXPECT_FALSE(p.joiner->Send(1, Channel::Input, junk.data(), 4));

    int flood = socket(AF_INET, SOCK_DGRAM, 0), sent = 0;
    sockaddr_in target{AF_INET, htons(p.host->BoundPort()), {htonl(INADDR_LOOPBACK)}, {}};
    std::mt19937 random(5);
    // 100 packets each way on both channels: every one arrives intact, the reliable ones in order.
    // Between turns, 40 garbage datagrams at the host's port (its socket's buffer holds them, so
    // nothing real is crowded out): one larger than ENet reads, the rest datagram-sized.
    const uint32_t count = 100;
    for (uint32_t i = 0; i < count; ++i) {
        auto bytes = Packet(i);
        for (Channel channel : {Channel::Control, Channel::Input}) {
            ASSERT_TRUE(p.host->Send(p.peer, channel, bytes.data(), bytes.size()));
            ASSERT_TRUE(p.joiner->Send(0, channel, bytes.data(), bytes.size()));
        }
        for (int j = 0; j < 40; ++j) {
            size_t size = j == 0 ? 4097 + random() % 4000 : 1 + random() % 1400;
            for (size_t b = 0; b < size; ++b) junk[b] = static_cast<uint8_t>(random());
            sent +=
                sendto(flood, junk.data(), size, 0, reinterpret_cast<sockaddr*>(&target), sizeof target) > 0;
        }
        p.loop.Turn();
    }
    auto all = [&](size_t end) { return p.loop.Of(end, Kind::Received).size() >= 2 * count; };
    EXPECT_TRUE(p.loop.Until([&] { return all(0) && all(1); }, 10s));
    for (size_t end = 0; end < 2; ++end) {
        std::vector<uint32_t> inOrder;
        std::set<uint32_t> loose;
        for (const Event& e : p.loop.Of(end, Kind::Received)) {
            uint32_t index = 0;
            std::memcpy(&index, e.bytes.data(), 4);
            EXPECT_EQ(e.bytes, Packet(index));
            if (e.channel == Channel::Input) {
                loose.insert(index);
            } else {
                EXPECT_EQ(index, inOrder.size());
                inOrder.push_back(index);
            }
        }
        EXPECT_EQ(inOrder.size(), count) << "at end " << end;
        EXPECT_EQ(loose.size(), count) << "at end " << end;
    }
    EXPECT_EQ(sent, 4000);
    EXPECT_TRUE(p.loop.Of(0, Kind::Disconnected).empty());
    close(flood);

    std::string error;
    EXPECT_EQ(Listen(p.host->BoundPort(), error), nullptr);
    EXPECT_FALSE(error.empty());
}

TEST(EnetEndpoint, RefusedJoinersHearTheReason) {
    std::string error;
    auto host = Listen(0, error);
    ASSERT_TRUE(host) << error;
    auto first = Connect("127.0.0.1", host->BoundPort(), 1, error);
    auto second = Connect("localhost", host->BoundPort(), 2, error);
    ASSERT_TRUE(first && second) << error;
    Loop loop{{host.get(), first.get(), second.get()}};
    ASSERT_TRUE(loop.Until([&] { return loop.Of(0, Kind::Connected).size() == 2; }, 5s));
    // One is told why after reliable messages, the other after unsequenced ones only.
    const uint8_t full[] = {'f', 'u', 'l', 'l'};
    for (const Event& e : loop.Of(0, Kind::Connected)) {
        for (int i = 0; i < 3; ++i)
            host->Send(e.peer, e.data == 1 ? Channel::Control : Channel::Input, full, 4);
        host->Disconnect(e.peer, 0xF0000000u + e.data);
        EXPECT_FALSE(host->Send(e.peer, Channel::Control, full, 4));
    }
    auto done = [&] {
        return loop.Of(0, Kind::Disconnected).size() == 2 && !loop.Of(1, Kind::Disconnected).empty() &&
               !loop.Of(2, Kind::Disconnected).empty();
    };
    ASSERT_TRUE(loop.Until(done, 5s));
    for (const Event& e : loop.Of(0, Kind::Disconnected)) EXPECT_EQ(e.data, 0u);
    ASSERT_EQ(loop.seen[1].size(), 5u);
    EXPECT_EQ(loop.seen[1][3].bytes, std::vector<uint8_t>(full, full + 4));
    EXPECT_EQ(loop.seen[1][4].data, 0xF0000001u);
    EXPECT_EQ(loop.seen[2].back().kind, Kind::Disconnected);
    EXPECT_EQ(loop.seen[2].back().data, 0xF0000002u);
}

TEST(EnetEndpoint, SilenceAndAMissingHostAreReportedWithinTheTimeout) {
    Pair p;
    ASSERT_TRUE(p.connected);
    // A port that takes datagrams and never answers.
    int mute = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(mute, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(getsockname(mute, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::string error;
    auto lonely = Connect("127.0.0.1", ntohs(address.sin_port), 9, error);
    auto idle = Connect("127.0.0.1", p.host->BoundPort(), 10, error);
    ASSERT_TRUE(lonely && idle) << error;

    // The first joiner stops answering; the host and an idle joiner carry on, sending nothing.
    Loop loop{{p.host.get(), lonely.get(), idle.get()}};
    ASSERT_TRUE(loop.Until([&] { return !loop.Of(2, Kind::Connected).empty(); }, 5s));
    auto start = std::chrono::steady_clock::now();
    auto done = [&] {
        return !loop.Of(0, Kind::Disconnected).empty() && !loop.Of(1, Kind::Disconnected).empty();
    };
    EXPECT_TRUE(loop.Until(done, std::chrono::milliseconds(kPeerTimeoutMs + 1000)));
    // Not before the timeout either: a short stall must not end a session.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(kPeerTimeoutMs - 500));
    ASSERT_EQ(loop.Of(0, Kind::Disconnected).size(), 1u);
    EXPECT_EQ(loop.Of(0, Kind::Disconnected)[0].peer, p.peer);
    EXPECT_EQ(loop.Of(0, Kind::Disconnected)[0].data, 0u);
    EXPECT_TRUE(loop.Of(1, Kind::Connected).empty());
    EXPECT_TRUE(loop.Of(2, Kind::Disconnected).empty());
    close(mute);
}

} // namespace
