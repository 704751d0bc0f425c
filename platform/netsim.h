// A seeded simulated network: a session's machines inside one process, on the caller's clock, with
// set delay, jitter, loss and duplication, behaving as ENet does where the session can tell.
//
// Machine 0 listens; machines 1 .. N-1 connect to it. Every packet is sent when Send is called (no
// queue to flush) and delivered by the receiver's Poll once the clock reaches its time:
// - Input (unsequenced) packets each take their own delay, so jitter reorders them; each copy is
//   lost with the loss fraction, and a packet is sent twice with the duplication fraction.
// - Control (reliable) packets are never lost and arrive in order: a copy lost on the wire is sent
//   again a retransmission timeout later (twice the round trip, at least kMinRetransmitMs), and
//   every later one of that direction waits behind it. Connecting and disconnecting travel this way.
// - Silence(m) cuts machine m off both ways: nothing reaches it or leaves it from then on, and
//   kPeerTimeoutMs later both ends of each of its connections report Disconnected with reason 0.
// - A destroyed endpoint tells its peers with one datagram, which may be lost (then they time out).
// The same seed, clock readings and calls give the same deliveries.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/net.h"

namespace plat::net {

// One direction of a link.
struct LinkConditions {
    uint32_t delayMs = 0;  // one-way
    uint32_t jitterMs = 0; // each packet's delay is delayMs plus or minus up to this, uniformly
    double loss = 0;       // fraction of datagrams lost, at most 0.99 (Silence cuts a machine off)
    double duplicate = 0;  // fraction of unsequenced packets sent twice
};

constexpr uint32_t kMinRetransmitMs = 10;

class SimNetwork {
  public:
    // Milliseconds, wrapping at 2^32 like plat::TickCountMs (which the headless back end's virtual
    // clock serves well). Read on every call below and by every endpoint's Send and Poll.
    using Clock = std::function<uint32_t()>;

    SimNetwork(int machines, uint64_t seed, Clock clock);
    ~SimNetwork();
    SimNetwork(const SimNetwork&) = delete;
    SimNetwork& operator=(const SimNetwork&) = delete;

    // Conditions from one machine to another, for packets sent from now on. All start perfect.
    void SetLink(int from, int to, const LinkConditions& link);
    void SetAllLinks(const LinkConditions& link);

    // Machine 0's endpoint, listening. Null while machine 0 has one.
    std::unique_ptr<Endpoint> Listen();
    // Machine 1 .. N-1's endpoint, starting to connect to machine 0 with a hello word. Null for
    // machine 0, a machine out of range, or one that already has an endpoint.
    std::unique_ptr<Endpoint> Connect(int machine, uint32_t hello);
    // Cuts a machine off from now on; there is no undoing it.
    void Silence(int machine);
    // When the next delivery or timeout is due (a clock value, possibly already passed), so a loop
    // can sleep until then; nothing when nothing is on its way.
    std::optional<uint32_t> NextDue();

    struct State;

  private:
    std::shared_ptr<State> state_; // shared with the endpoints, which may outlive the network
};

} // namespace plat::net
