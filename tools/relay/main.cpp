// relay: a seeded UDP relay on 127.0.0.1 that delays, jitters and drops datagrams, so play across
// machines can be tested over loopback under a bad network (this kernel has no netem).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/seeded_random.h"

namespace {

const char kHelp[] = R"(usage: relay --listen PORT --to PORT [options]

Forwards UDP datagrams on 127.0.0.1: whatever reaches the listening port goes on to the target
port, from a socket of its own for each sender, and the target's answers go back to that sender.
Each datagram, either way, is dropped with the loss fraction or else delayed. Prints the listening
port on a line of its own once ready (so --listen 0 works), and on leaving (after --seconds, or at
SIGTERM or SIGINT) how many datagrams went each way, then for each sender a line:
  relay: sender PORT: N datagrams, B bytes towards the target; M datagrams, C bytes back; over S s
counting what was sent, lost or not (UDP payloads: the transport's own headers in, the UDP and IP
headers out), from the sender's first datagram (or the last SIGUSR1, which starts every sender's
count again) to the last datagram either way.

  --listen PORT      where senders send (0 picks a free port)
  --to PORT          the target, on 127.0.0.1
  --delay MS         one-way delay (default 0)
  --jitter MS        each datagram's delay varies by up to this either way, uniformly (default 0)
  --loss FRACTION    fraction of datagrams dropped, 0 to 1 (default 0)
  --seed N           seeds the drops and delays (default 1)
  --seconds S        runs this long, then leaves (default 60)
  --help             this text
)";

constexpr size_t kMaxClients = 64;
constexpr size_t kMaxDatagram = 65536;

volatile sig_atomic_t stopped = 0, recount = 0;

void Stop(int) {
    stopped = 1;
}

void Recount(int) {
    recount = 1;
}

using Random = plat::SeededRandom;

struct Options {
    long listen = -1;
    long to = -1;
    long delay = 0;
    long jitter = 0;
    double loss = 0;
    unsigned long long seed = 1;
    double seconds = 60;
};

bool ParseLong(const char* text, long low, long high, long& out) {
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < low || value > high) return false;
    out = value;
    return true;
}

bool ParseDouble(const char* text, double low, double high, double& out) {
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= low && value <= high)) return false;
    out = value;
    return true;
}

// 0 to go on, otherwise the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--help") {
            std::fputs(kHelp, stdout);
            return -1;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "relay: %s needs a value (see --help)\n", name.c_str());
            return 2;
        }
        const char* value = argv[++i];
        long seed = 0;
        bool ok = name == "--listen"    ? ParseLong(value, 0, 65535, options.listen)
                  : name == "--to"      ? ParseLong(value, 1, 65535, options.to)
                  : name == "--delay"   ? ParseLong(value, 0, 60000, options.delay)
                  : name == "--jitter"  ? ParseLong(value, 0, 60000, options.jitter)
                  : name == "--loss"    ? ParseDouble(value, 0, 1, options.loss)
                  : name == "--seconds" ? ParseDouble(value, 0, 86400, options.seconds)
                  : name == "--seed"    ? ParseLong(value, 0, 0x7FFFFFFF, seed)
                                        : false;
        if (name == "--seed") options.seed = static_cast<unsigned long long>(seed);
        if (!ok) {
            std::fprintf(stderr, "relay: bad option or value: %s %s (see --help)\n", name.c_str(), value);
            return 2;
        }
    }
    if (options.listen < 0 || options.to < 0) {
        std::fputs("relay: --listen and --to are needed (see --help)\n", stderr);
        return 2;
    }
    return 0;
}

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

bool SameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

class Relay {
  public:
    explicit Relay(const Options& options) : options_(options), random_(options.seed) {}
    ~Relay() {
        for (const Client& client : clients_) close(client.upstream);
        if (listener_ >= 0) close(listener_);
    }

    bool Open() {
        listener_ = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in address = Loopback(static_cast<uint16_t>(options_.listen));
        socklen_t length = sizeof address;
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            std::fprintf(stderr, "relay: cannot listen on 127.0.0.1:%ld: %s\n", options_.listen,
                         std::strerror(errno));
            return false;
        }
        // Told to stop, it leaves as at the end. The signals come only while it waits, so none is
        // missed between looking and waiting; they are caught before anyone can know where it is.
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGTERM);
        sigaddset(&blocked, SIGINT);
        sigaddset(&blocked, SIGUSR1);
        sigprocmask(SIG_BLOCK, &blocked, &waiting_);
        struct sigaction stop {
        }, again{};
        stop.sa_handler = Stop;
        again.sa_handler = Recount;
        sigaction(SIGTERM, &stop, nullptr);
        sigaction(SIGINT, &stop, nullptr);
        sigaction(SIGUSR1, &again, nullptr);
        std::printf("%u\n", ntohs(address.sin_port));
        std::fflush(stdout);
        return true;
    }

    void Run() {
        using Clock = std::chrono::steady_clock;
        auto start = Clock::now();
        auto end = start + std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double>(options_.seconds));
        while (!stopped) {
            auto now = Clock::now();
            if (now >= end) break;
            now_ = std::chrono::duration_cast<std::chrono::milliseconds>(now - start).count();
            if (recount) {
                recount = 0;
                for (Client& client : clients_)
                    client = {client.address, client.upstream, {}, {}, now_, now_};
            }
            SendDue();
            int64_t wait = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count() + 1;
            if (!pending_.empty())
                wait = std::min(wait, std::max<int64_t>(0, pending_.begin()->first.first - now_));
            std::vector<pollfd> fds{{listener_, POLLIN, 0}};
            for (const Client& client : clients_) fds.push_back({client.upstream, POLLIN, 0});
            struct timespec timeout {
                wait / 1000, wait % 1000 * 1'000'000
            };
            if (ppoll(fds.data(), fds.size(), &timeout, &waiting_) < 0 && errno != EINTR) break;
            now_ = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            if (fds[0].revents) ReadFromSenders();
            for (size_t i = 1; i < fds.size(); ++i)
                if (fds[i].revents) ReadFromTarget(i - 1);
        }
        std::fprintf(stderr,
                     "relay: towards the target %zu of %zu datagrams, back %zu of %zu; senders: %zu\n",
                     passed_[0], seen_[0], passed_[1], seen_[1], clients_.size());
        for (const Client& client : clients_)
            std::fprintf(stderr,
                         "relay: sender %u: %zu datagrams, %zu bytes towards the target; %zu datagrams, %zu "
                         "bytes back; over %.3f s\n",
                         ntohs(client.address.sin_port), client.datagrams[0], client.bytes[0],
                         client.datagrams[1], client.bytes[1], (client.last - client.first) / 1000.0);
    }

  private:
    struct Client {
        sockaddr_in address;
        int upstream;                 // connected to the target
        size_t datagrams[2] = {0, 0}; // sent towards the target, back
        size_t bytes[2] = {0, 0};
        int64_t first = 0, last = 0; // ms
    };
    struct Datagram {
        size_t client;
        bool towardsTarget;
        std::vector<uint8_t> bytes;
    };

    void ReadFromSenders() {
        for (;;) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            ssize_t size =
                recvfrom(listener_, buffer_, sizeof buffer_, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (size < 0) return;
            auto known = std::find_if(clients_.begin(), clients_.end(), [&](const Client& client) {
                return SameAddress(client.address, from);
            });
            size_t client = static_cast<size_t>(known - clients_.begin());
            if (known == clients_.end() && !AddClient(from)) continue;
            Schedule(client, true, static_cast<size_t>(size));
        }
    }

    void ReadFromTarget(size_t client) {
        for (;;) {
            ssize_t size = recv(clients_[client].upstream, buffer_, sizeof buffer_, 0);
            // Errors are the target's port refusing earlier datagrams (ICMP); there is more to read.
            if (size < 0 && errno == ECONNREFUSED) continue;
            if (size < 0) return;
            Schedule(client, false, static_cast<size_t>(size));
        }
    }

    bool AddClient(const sockaddr_in& from) {
        if (clients_.size() >= kMaxClients) return false;
        int upstream = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in target = Loopback(static_cast<uint16_t>(options_.to));
        if (upstream < 0) return false;
        if (connect(upstream, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
            close(upstream);
            return false;
        }
        clients_.push_back({from, upstream});
        clients_.back().first = now_;
        return true;
    }

    void Schedule(size_t client, bool towardsTarget, size_t size) {
        ++seen_[towardsTarget ? 0 : 1];
        Client& sender = clients_[client];
        ++sender.datagrams[towardsTarget ? 0 : 1];
        sender.bytes[towardsTarget ? 0 : 1] += size;
        sender.last = now_;
        if (random_.Unit() < options_.loss) return;
        int64_t spread = random_.Spread(static_cast<uint32_t>(options_.jitter));
        int64_t due = now_ + std::max<int64_t>(0, options_.delay + spread);
        Datagram datagram{client, towardsTarget, std::vector<uint8_t>(buffer_, buffer_ + size)};
        pending_.emplace(std::pair(due, order_++), std::move(datagram));
    }

    void SendDue() {
        while (!pending_.empty() && pending_.begin()->first.first <= now_) {
            Datagram datagram = std::move(pending_.begin()->second);
            pending_.erase(pending_.begin());
            const Client& client = clients_[datagram.client];
            ssize_t sent;
            if (datagram.towardsTarget) {
                sent = send(client.upstream, datagram.bytes.data(), datagram.bytes.size(), 0);
            } else {
                sent = sendto(listener_, datagram.bytes.data(), datagram.bytes.size(), 0,
                              reinterpret_cast<const sockaddr*>(&client.address), sizeof client.address);
            }
            if (sent >= 0) ++passed_[datagram.towardsTarget ? 0 : 1];
        }
    }

    Options options_;
    Random random_;
    int listener_ = -1;
    std::vector<Client> clients_;
    std::map<std::pair<int64_t, uint64_t>, Datagram> pending_; // by (due, order read)
    uint64_t order_ = 0;
    int64_t now_ = 0;
    size_t seen_[2] = {0, 0}; // towards the target, back
    size_t passed_[2] = {0, 0};
    uint8_t buffer_[kMaxDatagram];
    sigset_t waiting_; // the signal mask while waiting
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    int status = ParseOptions(argc, argv, options);
    if (status != 0) return status < 0 ? 0 : status;
    Relay relay(options);
    if (!relay.Open()) return 1;
    relay.Run();
    return 0;
}
