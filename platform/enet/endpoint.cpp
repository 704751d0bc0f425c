// Endpoints over ENet: UDP with a reliable, ordered channel and an unsequenced one.
#include "platform/net.h"

#include <enet/enet.h>
#include <enet/time.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

namespace plat::net {
namespace {

constexpr size_t kChannels = 2;
// Poll's bound on ENet calls that fail: each one has dropped a datagram ENet could not read.
constexpr int kMaxServiceCalls = 256;

// ENet is set up once for the process while any endpoint uses it.
class EnetLibrary {
  public:
    EnetLibrary() {
        std::lock_guard lock(mutex_);
        if (users_ == 0 && enet_initialize() != 0) return;
        ++users_;
        ok_ = true;
    }
    ~EnetLibrary() {
        if (!ok_) return;
        std::lock_guard lock(mutex_);
        if (--users_ == 0) enet_deinitialize();
    }
    EnetLibrary(const EnetLibrary&) = delete;
    EnetLibrary& operator=(const EnetLibrary&) = delete;
    bool ok() const { return ok_; }

  private:
    static inline std::mutex mutex_;
    static inline int users_ = 0;
    bool ok_ = false;
};

struct HostDeleter {
    void operator()(ENetHost* host) const { enet_host_destroy(host); }
};
using HostOwner = std::unique_ptr<ENetHost, HostDeleter>;

struct PacketDeleter {
    void operator()(ENetPacket* packet) const { enet_packet_destroy(packet); }
};
using PacketOwner = std::unique_ptr<ENetPacket, PacketDeleter>;

// A peer we are connected or connecting to. When the endpoint goes while the peer is still there,
// the peer is told at once (one unacknowledged datagram) rather than left to time out.
class PeerOwner {
  public:
    PeerOwner() = default;
    explicit PeerOwner(ENetPeer* peer) : peer_(peer) {}
    PeerOwner(PeerOwner&& other) noexcept : peer_(std::exchange(other.peer_, nullptr)) {}
    PeerOwner& operator=(PeerOwner&& other) noexcept {
        if (this != &other) {
            Drop();
            peer_ = std::exchange(other.peer_, nullptr);
        }
        return *this;
    }
    ~PeerOwner() { Drop(); }
    ENetPeer* get() const { return peer_; }
    // ENet has let the peer go itself: its disconnection was reported.
    void Release() { peer_ = nullptr; }

  private:
    void Drop() {
        if (peer_) enet_peer_disconnect_now(peer_, 0);
        peer_ = nullptr;
    }
    ENetPeer* peer_ = nullptr;
};

// Silence is reported within kPeerTimeoutMs instead of ENet's default of up to 30 s, and a quiet
// link is pinged often enough for that to mean silence.
void SetTimeouts(ENetPeer* peer) {
    enet_peer_timeout(peer, 0, kPeerTimeoutMs, kPeerTimeoutMs);
    enet_peer_ping_interval(peer, kPingIntervalMs);
}

class EnetEndpoint final : public Endpoint {
  public:
    bool StartListening(uint16_t port, std::string& error) {
        if (!Started(error)) return false;
        ENetAddress address{};
        address.host = ENET_HOST_ANY;
        address.port = port;
        errno = 0;
        host_.reset(enet_host_create(&address, kMaxConnections, kChannels, 0, 0));
        if (!host_) {
            error = "cannot listen on UDP port " + std::to_string(port) + ": " + std::strerror(errno);
            return false;
        }
        listening_ = true;
        Prepare();
        return true;
    }

    bool StartConnecting(const std::string& name, uint16_t port, uint32_t hello, std::string& error) {
        if (!Started(error)) return false;
        ENetAddress address{};
        if (enet_address_set_host(&address, name.c_str()) != 0) {
            error = "cannot find the address of " + name;
            return false;
        }
        address.port = port;
        host_.reset(enet_host_create(nullptr, 1, kChannels, 0, 0));
        if (!host_) {
            error = std::string("cannot open a UDP socket: ") + std::strerror(errno);
            return false;
        }
        Prepare();
        ENetPeer* peer = enet_host_connect(host_.get(), &address, kChannels, hello);
        if (!peer) {
            error = "cannot start connecting to " + name;
            return false;
        }
        SetTimeouts(peer);
        Slot& slot = slots_[Id(peer)];
        slot.peer = PeerOwner(peer);
        slot.state = State::Connecting;
        slot.since = enet_time_get();
        unsent_ = true;
        return true;
    }

    bool Send(int peer, Channel channel, const uint8_t* data, size_t size) override {
        if (size > kMaxPacket || !Connected(peer)) return false;
        if (channel != Channel::Control && channel != Channel::Input) return false;
        uint32_t flags =
            channel == Channel::Control ? ENET_PACKET_FLAG_RELIABLE : ENET_PACKET_FLAG_UNSEQUENCED;
        PacketOwner packet(enet_packet_create(data, size, flags));
        if (!packet) return false;
        // On success the packet is ENet's.
        if (enet_peer_send(slots_[peer].peer.get(), static_cast<uint8_t>(channel), packet.get()) != 0)
            return false;
        packet.release();
        unsent_ = true;
        return true;
    }

    Event Poll() override {
        if (!host_) return {};
        // ENet hands out events it already holds before it sends anything; ours go first.
        if (unsent_) enet_host_flush(host_.get());
        unsent_ = false;
        // A call fails after dropping a datagram too large for ENet's buffer; the next goes on.
        for (int calls = 0; calls < kMaxServiceCalls; ++calls) {
            ENetEvent raw{};
            int result = enet_host_service(host_.get(), &raw, 0);
            if (result < 0) continue;
            if (result == 0) return TimedOut();
            Event event = Translate(raw);
            if (event.kind != Event::Kind::None) return event;
        }
        return {};
    }

    void Disconnect(int peer, uint32_t reason) override {
        if (!Connected(peer)) return;
        // Not enet_peer_disconnect, which drops what is still queued (a refusal's last message).
        enet_peer_disconnect_later(slots_[peer].peer.get(), reason);
        slots_[peer].state = State::Leaving;
        unsent_ = true;
    }

    int WakeDescriptor() const override { return host_ ? static_cast<int>(host_->socket) : -1; }

    uint16_t BoundPort() const override {
        ENetAddress address{};
        if (!host_ || enet_socket_get_address(host_->socket, &address) != 0) return 0;
        return address.port;
    }

  private:
    enum class State { Free, Connecting, Connected, Leaving };
    struct Slot {
        PeerOwner peer;
        State state = State::Free;
        uint32_t since = 0; // ENet's clock when it started connecting or was connected
    };

    bool Started(std::string& error) {
        if (library_.ok()) return true;
        error = "the network library could not start";
        return false;
    }

    void Prepare() {
        // Every datagram carries a CRC32, so stray and damaged ones are dropped unread.
        host_->checksum = enet_crc32;
        // Peers send nothing larger either; ENet would otherwise take 32 MB packets.
        host_->maximumPacketSize = kMaxPacket;
        slots_.resize(host_->peerCount);
    }

    // ENet looks for silence only when a resend falls due, and each resend waits twice as long as
    // the one before, so its report can come nearly twice the timeout late. We keep the time
    // ourselves, once everything that arrived has been read: ENet notes when each acknowledgement
    // came, and a live peer acknowledges at least our pings.
    Event TimedOut() {
        uint32_t now = enet_time_get();
        for (size_t id = 0; id < slots_.size(); ++id) {
            Slot& slot = slots_[id];
            if (slot.state == State::Free) continue;
            uint32_t heard = slot.since;
            uint32_t acknowledged = slot.peer.get()->lastReceiveTime; // 0 before the first
            if (acknowledged != 0 && ENET_TIME_LESS(heard, acknowledged)) heard = acknowledged;
            if (ENET_TIME_DIFFERENCE(now, heard) < kPeerTimeoutMs) continue;
            slot.peer = PeerOwner(); // tells the peer, should it still listen
            slot.state = State::Free;
            Event event;
            event.kind = Event::Kind::Disconnected;
            event.peer = static_cast<int>(id);
            return event;
        }
        return {};
    }

    int Id(const ENetPeer* peer) const { return static_cast<int>(peer - host_->peers); }

    bool Connected(int peer) const {
        return peer >= 0 && peer < static_cast<int>(slots_.size()) && slots_[peer].state == State::Connected;
    }

    Event Translate(const ENetEvent& raw) {
        PacketOwner packet(raw.packet);
        Event event;
        if (!raw.peer) return event;
        int id = Id(raw.peer);
        Slot& slot = slots_[id];
        switch (raw.type) {
        case ENET_EVENT_TYPE_CONNECT:
            if (slot.state == State::Free) slot.peer = PeerOwner(raw.peer);
            slot.state = State::Connected;
            slot.since = enet_time_get();
            SetTimeouts(raw.peer);
            // Lost unsequenced packets are the session's to repeat; ENet's throttle would drop
            // more of them on purpose whenever the round trip grows.
            enet_peer_throttle_configure(raw.peer, ENET_PEER_PACKET_THROTTLE_INTERVAL,
                                         ENET_PEER_PACKET_THROTTLE_ACCELERATION, 0);
            unsent_ = true;
            event.kind = Event::Kind::Connected;
            event.data = listening_ ? raw.data : 0;
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            // A joiner the host never reported as connected leaves no trace either.
            if (slot.state == State::Free) return event;
            slot.peer.Release();
            slot.state = State::Free;
            event.kind = Event::Kind::Disconnected;
            event.data = raw.data;
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (slot.state != State::Connected || raw.channelID >= kChannels || !packet) return event;
            event.kind = Event::Kind::Received;
            event.channel = static_cast<Channel>(raw.channelID);
            event.bytes.assign(packet->data, packet->data + packet->dataLength);
            break;
        case ENET_EVENT_TYPE_NONE:
            return event;
        }
        event.peer = id;
        return event;
    }

    // Declared in this order so they go in the reverse: peers told, the host closed, ENet let go.
    EnetLibrary library_;
    HostOwner host_;
    std::vector<Slot> slots_; // by peer id: the peer's place in the host's array
    bool listening_ = false;
    bool unsent_ = false;
};

} // namespace

std::unique_ptr<Endpoint> Listen(uint16_t port, std::string& error) {
    auto endpoint = std::make_unique<EnetEndpoint>();
    if (!endpoint->StartListening(port, error)) return nullptr;
    return endpoint;
}

std::unique_ptr<Endpoint> Connect(const std::string& host, uint16_t port, uint32_t hello,
                                  std::string& error) {
    auto endpoint = std::make_unique<EnetEndpoint>();
    if (!endpoint->StartConnecting(host, port, hello, error)) return nullptr;
    return endpoint;
}

} // namespace plat::net
