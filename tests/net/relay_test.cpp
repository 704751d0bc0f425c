// The loopback relay: datagrams each way are dropped at about its loss and never come early.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

sockaddr_in Loopback(uint16_t port) {
    return {AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
}

int Bound(uint16_t& port) {
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

struct Stamp {
    uint32_t index;
    int64_t sentMs;
};

TEST(Relay, DropsAboutItsLossEachWayAndNeverDeliversEarly) {
    uint16_t targetPort = 0, clientPort = 0;
    int target = Bound(targetPort), client = Bound(clientPort);
    // It leaves by itself after 4 s, which is also when pclose returns.
    std::string command = std::string(TARVEL_RELAY) + " --listen 0 --to " + std::to_string(targetPort) +
                          " --delay 20 --jitter 10 --loss 0.25 --seed 3 --seconds 4";
    FILE* relay = popen(command.c_str(), "r");
    ASSERT_TRUE(relay);
    char line[16] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, relay)); // its port, once it is ready
    sockaddr_in relayAddress = Loopback(static_cast<uint16_t>(std::atoi(line)));

    // The target echoes what it gets; the client counts the echoes.
    const uint32_t count = 600;
    std::set<uint32_t> atTarget, back;
    int64_t fastest = 1000;
    auto serve = [&] {
        Stamp stamp{};
        sockaddr_in from{};
        socklen_t length = sizeof from;
        while (recvfrom(target, &stamp, sizeof stamp, 0, reinterpret_cast<sockaddr*>(&from), &length) ==
               sizeof stamp) {
            atTarget.insert(stamp.index);
            fastest = std::min(fastest, NowMs() - stamp.sentMs);
            sendto(target, &stamp, sizeof stamp, 0, reinterpret_cast<sockaddr*>(&from), length);
        }
        while (recv(client, &stamp, sizeof stamp, 0) == sizeof stamp) back.insert(stamp.index);
    };
    // One a millisecond, so no socket's buffer ever fills; then 500 ms for the last to come back.
    for (uint32_t i = 0; i < count + 250; ++i) {
        Stamp stamp{i, NowMs()};
        if (i < count)
            sendto(client, &stamp, sizeof stamp, 0, reinterpret_cast<sockaddr*>(&relayAddress),
                   sizeof relayAddress);
        serve();
        std::this_thread::sleep_for(std::chrono::milliseconds(i < count ? 1 : 2));
    }
    EXPECT_EQ(pclose(relay), 0);
    close(target);
    close(client);

    EXPECT_NEAR(static_cast<double>(atTarget.size()) / count, 0.75, 0.1);
    EXPECT_NEAR(static_cast<double>(back.size()) / count, 0.75 * 0.75, 0.1);
    EXPECT_GE(fastest, 20 - 10 - 2); // both clocks count whole milliseconds
}

} // namespace
