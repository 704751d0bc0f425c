// Packets between machines: the transport under a session of play across machines.
//
// A session is a star: the host listens, each joiner connects to it and talks to it alone. Every
// endpoint reports its peers by small ids, stable while a peer is connected. Control messages go
// on a reliable channel, in order; inputs go unsequenced and may be lost, duplicated or reordered
// (the session repeats what was not acknowledged). Two implementations: real UDP through ENet
// (Listen and Connect below) and the seeded simulated network of platform/netsim.h.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat::net {

enum class Channel : uint8_t {
    Control = 0, // reliable, in order
    Input = 1,   // unsequenced: may be lost, duplicated or reordered
};

// Larger sends are refused: this and the headers fit one datagram on any usual path, so nothing is
// ever fragmented (ENet would send fragments of an unsequenced packet reliably).
constexpr size_t kMaxPacket = 1200;
// A peer not heard from for this long is reported Disconnected with reason 0.
constexpr uint32_t kPeerTimeoutMs = 4000;
// Peers are pinged this often while nothing else is sent, so silence shows within the timeout.
constexpr uint32_t kPingIntervalMs = 250;
// A host takes this many connections at once. A session plays with fewer (eight machines at most)
// and refuses the rest itself, with a reason, so they need a place to be told in.
constexpr int kMaxConnections = 16;

struct Event {
    enum class Kind { None, Connected, Disconnected, Received } kind = Kind::None;
    int peer = -1; // small id, stable while the peer is connected
    // Connected: the joiner's hello word (on the host; 0 on the joiner). Disconnected: the reason
    // the other side gave, 0 for a timeout, none, or the end of our own Disconnect.
    uint32_t data = 0;
    Channel channel = Channel::Control;
    std::vector<uint8_t> bytes; // Received
};

class Endpoint {
  public:
    virtual ~Endpoint() = default;
    // Queues a packet; Poll sends it. False for a peer that is not connected (or that we are
    // disconnecting) and for a packet over kMaxPacket.
    virtual bool Send(int peer, Channel channel, const uint8_t* data, size_t size) = 0;
    // Sends what is queued and returns the next event, or Kind::None when there is none now. Never
    // blocks. Call it until None each turn, and again after sending.
    virtual Event Poll() = 0;
    // Ends a connected peer once what is queued for it has gone: the other side sees Disconnected
    // with reason, this side nothing more from it but Disconnected (data 0) when done. Every
    // Connected a side saw is followed by exactly one Disconnected for that peer.
    virtual void Disconnect(int peer, uint32_t reason) = 0;
    // Readable when something may have arrived, for plat::AddWakeSource (whose handler then polls
    // until None); -1 when there is no such descriptor.
    virtual int WakeDescriptor() const = 0;
    // The local UDP port (the one a host listens on, when asked for port 0); 0 where there is none.
    virtual uint16_t BoundPort() const { return 0; }
};

// Listens on all IPv4 addresses at port (0 picks a free one: see BoundPort). Null with a reason in
// error when the port cannot be had. Destroying an endpoint tells its peers at once, best effort.
std::unique_ptr<Endpoint> Listen(uint16_t port, std::string& error);
// Starts connecting to host (a name or IPv4 address, resolved here) at port, with a hello word the
// host sees in its Connected event. Poll then reports Connected (the host as peer 0) or, when no
// host answers within kPeerTimeoutMs, Disconnected.
std::unique_ptr<Endpoint> Connect(const std::string& host, uint16_t port, uint32_t hello, std::string& error);

} // namespace plat::net
