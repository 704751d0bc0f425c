// One machine's end of a session across machines, in lockstep: every machine runs every tick of
// the same rules, and a tick runs only when every machine's key-downs for it are there. A key-down
// before tick T acts at tick T + D everywhere. Joiners send theirs to the host, unsequenced and
// repeated until acknowledged; the host gathers them and sends each tick's complete set to all.
// What the host decides for everyone (the settings, the seats, who takes part) travels reliably
// and holds from a tick it names. Machines hash the rule state after every tick; the host compares
// and names the tick and the machine that went out of step.
//
// The clock is the caller's: every call that may send or wait takes the time in milliseconds.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "platform/net.h"

namespace net {

// After this long without a machine's input its name shows as the one everyone waits for; after
// kDropMs the host plays on without it. A host not heard from for kHostLostMs is gone.
constexpr uint32_t kStallNoticeMs = 500;
constexpr uint32_t kDropMs = 3000;
constexpr uint32_t kHostLostMs = 5000;

// The input of one tick, all there: the decision that holds from it on (applied first), then every
// machine's key-downs, machine 0's first.
struct TickInput {
    long tick = 0;
    std::optional<Decision> decision;
    std::array<std::vector<uint8_t>, kMaxMachines> keys;
};

class Machine {
  public:
    enum class Phase { Joining, Playing, Ended };
    virtual ~Machine() = default;

    // Takes what arrived and sends what is due. Call it when the endpoint may have something, and
    // at least every tick period.
    virtual void Service(uint32_t nowMs) = 0;
    // A local key-down (a session key code) before the next tick.
    void Press(uint8_t code) { pressed.push_back(code); }
    // Whether the next tick's input is all here; when it is not, since when it has been waited for.
    bool Ready(uint32_t nowMs);
    // The next tick's input; sends this machine's key-downs for tick next + D.
    TickInput Take(uint32_t nowMs);
    // The tick is run: the hash of the rule state after it.
    void Ran(uint64_t hash, uint32_t nowMs);

    Phase CurrentPhase() const { return phase; }
    // Why the session ended for this machine, for a player.
    const std::string& EndReason() const { return endReason; }
    long NextTick() const { return next; }
    int Index() const { return machine; }
    uint32_t Seed() const { return seed; }
    const std::string& Made() const { return made; }
    // The machine the next tick has waited for longer than kStallNoticeMs, -1 for none.
    int WaitingFor(uint32_t nowMs) const;
    // The machines went out of step: the first tick whose hashes differed and a mask of the machines
    // whose hash was not the host's. True once per time it happens.
    bool TakeDesync(long& tick, uint8_t& machines);
    // Says goodbye to the other machines (the host to every joiner, a joiner to the host).
    virtual void Leave() = 0;
    // Readable when something may have arrived (for the window's wake sources).
    int WakeDescriptor() const { return endpoint->WakeDescriptor(); }
    // Bytes this machine sent to each peer, for measuring.
    uint64_t BytesSent() const { return bytesSent; }
    // The hash this machine had after a tick (recent ticks only), for the report of a desync.
    std::optional<uint32_t> OwnHash(long tick) const;

  protected:
    void Send(int peer, plat::net::Channel channel, const Message& message);
    void End(const std::string& reason);
    // A decision at tick t takes away what its reset makes void: key-downs generated before it.
    virtual void InputsReset(long tick) = 0;
    virtual int StallingMachine() const = 0;
    // This machine's key-downs for a tick are made: out they go.
    virtual void Made(uint32_t nowMs) = 0;
    // The first tick whose input is still wanted (by this machine, or by a peer that has not had it).
    virtual long KeepFrom() const { return next - 1; }

    std::unique_ptr<plat::net::Endpoint> endpoint;
    Phase phase = Phase::Joining;
    std::string endReason;
    uint32_t session = 0;
    uint32_t seed = 0;
    std::string made;
    int machine = 0;
    long next = 1;     // the tick to run next
    long epoch = 1;    // the tick of the last reset run: key-downs act from epoch + D
    uint8_t delay = 2; // D, from the decision in force
    std::vector<uint8_t> pressed;
    std::map<long, TickData> ticks;                 // complete, by tick
    std::map<long, Decision> decisions;             // by the tick they hold from
    std::map<long, std::vector<uint8_t>> ownInputs; // by the tick they act at
    std::map<long, uint32_t> ownHashes;
    bool waiting = false;
    uint32_t waitingSince = 0;
    uint32_t startAt = 0; // a joiner runs its first tick no earlier than this
    bool desync = false;
    long desyncTick = 0;
    uint8_t desyncMask = 0;
    uint64_t bytesSent = 0;
};

// The host: machine 0, listening. Joiners get the first seat it has opened for another machine.
class Host : public Machine {
  public:
    // What decides whether a joiner's player may play (the points budget): Reason::None when so.
    using Check = std::function<Reason(const Profile&)>;
    // The period a tick has now, for the input delay of a new joiner.
    using Period = std::function<uint32_t()>;
    Host(std::unique_ptr<plat::net::Endpoint> endpoint, const Decision& first, uint32_t seed,
         uint32_t session, std::string made, Check check, Period period);
    void Service(uint32_t nowMs) override;
    // A decision of the host's own (settings, seats): holds from the first tick not yet sent out.
    void Decide(const Decision& decision);
    void Leave() override;
    // What was decided last, sent or not: what a new decision builds on.
    const Decision& Latest() const { return latest; }
    // Joiners are let in only while this holds (the title screen is up on the host).
    void SetAdmitting(bool letIn) { admitting = letIn; }
    // Something for the host's player to read about machines coming and going ("" none).
    std::string TakeNews();

  protected:
    void InputsReset(long tick) override;
    int StallingMachine() const override;
    void Made(uint32_t nowMs) override;
    long KeepFrom() const override;

  private:
    struct Peer {
        int id = -1;
        int machine = 0; // 1..3 once it plays
        enum class Step { Hello, Pinging, Waiting, Playing } step = Step::Hello;
        Profile profile;
        std::vector<uint32_t> roundTrips;
        int pingsSent = 0;
        uint32_t lastPing = 0;
        uint32_t lastHeard = 0;
        uint32_t lastSent = 0;
        long acked = 0; // tick data it holds, up to here
        long heldInput = 0;
        std::map<long, std::vector<uint8_t>> inputs;
        std::map<long, uint32_t> hashes;
    };
    // Takes what arrived; true when something did.
    bool Pump(uint32_t nowMs);
    void Receive(Peer& peer, const Message& m, uint32_t nowMs);
    void Admit(Peer& peer, uint32_t nowMs);
    void Drop(int gone, const std::string& why);
    void Finalize(uint32_t nowMs);
    void SendTicks(Peer& peer, uint32_t nowMs, bool force);
    long LastReset() const;
    void CompareHashes(Peer& peer);
    bool Needs(int machine, long tick) const;
    Peer* ByMachine(int machine);

    Decision latest;        // the newest decision, sent or waiting for its tick
    bool undecided = false; // latest is not yet given a tick
    long finalized = 0;     // ticks up to here are complete and going out
    std::vector<Peer> peers;
    bool admitting = false;
    Check check;
    Period period;
    uint8_t stalledFor = 255; // last Stall told
    std::string news;
};

// A joiner: connects, says who plays there, and plays once the host lets it in.
class Joiner : public Machine {
  public:
    Joiner(std::unique_ptr<plat::net::Endpoint> endpoint, const Profile& player);
    void Service(uint32_t nowMs) override;
    void Leave() override;

  protected:
    void InputsReset(long tick) override;
    int StallingMachine() const override;
    void Made(uint32_t nowMs) override {
        SendInput(nowMs, true);
        Pump(nowMs);
    }

  private:
    void Pump(uint32_t nowMs);
    void Receive(const Message& m, uint32_t nowMs);
    void SendInput(uint32_t nowMs, bool force);
    Profile player;
    int hostPeer = -1;
    uint32_t lastHeard = 0;
    uint32_t lastSent = 0;
    long inputHeld = 0; // the host holds our key-downs up to this tick
    int stall = -1;     // whom the host says it waits for
    bool connected = false;
};

// A round's seed in a session: from the session's seed and the number of the round since the
// last reset, the same on every machine.
uint32_t RoundSeed(uint32_t sessionSeed, uint32_t round);

} // namespace net
