// The loopback relay: datagrams each way are dropped at about its loss and never come early; it
// counts each sender's bytes both ways and leaves when told.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
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

TEST(Relay, CountsEachSendersBytesFromWhenToldAndLeavesWhenTold) {
    uint16_t targetPort = 0, firstPort = 0, secondPort = 0;
    int target = Bound(targetPort), first = Bound(firstPort), second = Bound(secondPort);
    // Its standard output and error through one pipe: the port first, the counts on leaving.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::string to = std::to_string(targetPort);
    const char* argv[] = {TARVEL_RELAY, "--listen", "0", "--to", to.c_str(), "--seconds", "600", nullptr};
    pid_t relay = 0;
    ASSERT_EQ(posix_spawn(&relay, TARVEL_RELAY, &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    FILE* out = fdopen(pipeEnds[0], "r");
    char line[256] = {};
    ASSERT_TRUE(std::fgets(line, sizeof line, out));
    sockaddr_in relayAddress = Loopback(static_cast<uint16_t>(std::atoi(line)));

    // Each sender's datagrams go to the target, which answers every one with 10 bytes.
    auto send = [&](int from, size_t count, size_t size) {
        std::string bytes(size, 'x');
        for (size_t i = 0; i < count; ++i)
            sendto(from, bytes.data(), size, 0, reinterpret_cast<sockaddr*>(&relayAddress),
                   sizeof relayAddress);
        char buffer[2048];
        sockaddr_in back{};
        socklen_t length = sizeof back;
        for (int64_t until = NowMs() + 300; NowMs() < until;) {
            while (recvfrom(target, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&back), &length) >
                   0)
                sendto(target, buffer, 10, 0, reinterpret_cast<sockaddr*>(&back), length);
            while (recv(from, buffer, sizeof buffer, 0) > 0) {}
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    };
    send(first, 3, 100); // not counted: before the SIGUSR1
    kill(relay, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    send(first, 4, 200);
    send(second, 5, 50);
    kill(relay, SIGTERM); // not told, it would run far past the test's time limit

    int status = 0;
    ASSERT_EQ(waitpid(relay, &status, 0), relay);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::string said;
    while (std::fgets(line, sizeof line, out)) said += line;
    fclose(out);
    close(target);
    close(first);
    close(second);

    auto sender = [&](uint16_t port) {
        size_t at = said.find("relay: sender " + std::to_string(port) + ": ");
        return at == std::string::npos ? std::string() : said.substr(at, said.find('\n', at) - at);
    };
    EXPECT_NE(
        sender(firstPort).find(": 4 datagrams, 800 bytes towards the target; 4 datagrams, 40 bytes back"),
        std::string::npos)
        << said;
    EXPECT_NE(
        sender(secondPort).find(": 5 datagrams, 250 bytes towards the target; 5 datagrams, 50 bytes back"),
        std::string::npos)
        << said;
}

} // namespace
