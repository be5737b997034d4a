#include "platform/socket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/clock.h"

namespace kavr::platform {
namespace {

// A listening socket on 127.0.0.1 with a port of the kernel's choosing.
struct Listener {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    Listener() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(fd, 2);
        socklen_t len = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() { close(fd); }
};

// A port on 127.0.0.1 that nothing listens on.
int closed_port() {
    Listener l;
    return l.port;
}

TEST(Socket, SendsAndReceivesOverLoopback) {
    Listener l;
    std::string got;
    std::thread peer([&] {
        int c = accept(l.fd, nullptr, nullptr);
        char buf[64 * 1024];
        ssize_t n;
        while (got.size() < 200000 && (n = recv(c, buf, sizeof buf, 0)) > 0) got.append(buf, n);
        send(c, "pong\r\n", 6, 0);
        close(c);
    });
    int fd = socket_open("127.0.0.1", l.port, 5);
    ASSERT_GE(fd, 0);
    std::string big(200000, 'x');  // larger than one send can take at once
    EXPECT_TRUE(socket_send_all(fd, big));
    char buf[16];
    long n = socket_recv_some(fd, buf, sizeof buf);
    EXPECT_EQ(std::string(buf, n > 0 ? n : 0), "pong\r\n");
    peer.join();
    EXPECT_EQ(got, big);
    EXPECT_EQ(socket_recv_some(fd, buf, sizeof buf), 0);  // peer closed
    socket_close(fd);
}

TEST(Socket, ReceiveTimesOut) {
    Listener l;
    int fd = socket_open_ms("localhost", l.port, 200);
    ASSERT_GE(fd, 0);
    long start = clock_ms();
    char buf[8];
    EXPECT_EQ(socket_recv_some(fd, buf, sizeof buf), -1);
    long waited = clock_ms() - start;
    EXPECT_GE(waited, 150);
    EXPECT_LT(waited, 3000);
    socket_close(fd);
}

TEST(Socket, RefusedOrInvalidTargetsGiveNoConnection) {
    EXPECT_EQ(socket_open("127.0.0.1", closed_port(), 2), -1);
    EXPECT_EQ(socket_open("", 25, 2), -1);
    EXPECT_EQ(socket_open("127.0.0.1", 0, 2), -1);
    EXPECT_EQ(socket_open("127.0.0.1", 65536, 2), -1);
    EXPECT_FALSE(socket_send_all(-1, "x"));
    char buf[4];
    EXPECT_EQ(socket_recv_some(-1, buf, sizeof buf), -1);
}

TEST(Socket, SendToClosedPeerFailsWithoutSignal) {
    Listener l;
    int fd = socket_open("127.0.0.1", l.port, 2);
    ASSERT_GE(fd, 0);
    close(accept(l.fd, nullptr, nullptr));
    bool ok = true;
    for (int i = 0; i < 50 && ok; ++i) ok = socket_send_all(fd, std::string(65536, 'x'));
    EXPECT_FALSE(ok);
    socket_close(fd);
}

TEST(Socket, NamesResolveLocally) {
    std::string dotted;
    EXPECT_TRUE(lookup_ipv4("127.0.0.1", dotted));
    EXPECT_EQ(dotted, "127.0.0.1");
    EXPECT_TRUE(lookup_ipv4("localhost", dotted));
    EXPECT_EQ(dotted, "127.0.0.1");
    EXPECT_FALSE(lookup_ipv4("", dotted));
    std::string host;
    EXPECT_TRUE(local_host_name(host));
    EXPECT_FALSE(host.empty());
}

}  // namespace
}  // namespace kavr::platform
