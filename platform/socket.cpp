#include "platform/socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace kavr::platform {

namespace {

bool resolve(const std::string& host, struct in_addr& addr) {
    if (host.empty()) return false;
    if (inet_pton(AF_INET, host.c_str(), &addr) == 1) return true;
    struct addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    addr = reinterpret_cast<struct sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

bool set_blocking(int fd, bool blocking) {
    int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    flags = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(fd, F_SETFL, flags) == 0;
}

int clamp_timeout(long timeout_ms) {
    if (timeout_ms < 1) return 1;
    return timeout_ms > INT_MAX ? INT_MAX : static_cast<int>(timeout_ms);
}

// Connects a non-blocking socket and waits for the outcome, so that an
// address that never answers cannot hold the process longer than asked.
bool connect_within(int fd, const struct sockaddr_in& to, long timeout_ms) {
    if (!set_blocking(fd, false)) return false;
    int rc = connect(fd, reinterpret_cast<const struct sockaddr*>(&to), sizeof to);
    if (rc != 0) {
        if (errno != EINPROGRESS) return false;
        struct pollfd p{fd, POLLOUT, 0};
        do {
            rc = poll(&p, 1, clamp_timeout(timeout_ms));
        } while (rc < 0 && errno == EINTR);
        if (rc <= 0) return false;
        int err = 0;
        socklen_t len = sizeof err;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) return false;
    }
    return set_blocking(fd, true);
}

}  // namespace

bool is_dotted_ipv4(const std::string& text) {
    struct in_addr addr;
    return text.find('\0') == std::string::npos && inet_pton(AF_INET, text.c_str(), &addr) == 1;
}

bool lookup_ipv4(const std::string& host, std::string& dotted) {
    struct in_addr addr;
    if (!resolve(host, addr)) return false;
    char text[INET_ADDRSTRLEN];
    if (!inet_ntop(AF_INET, &addr, text, sizeof text)) return false;
    dotted = text;
    return true;
}

int socket_open_ms(const std::string& host, int port, long timeout_ms) {
    if (port < 1 || port > 65535) return -1;
    struct sockaddr_in to;
    std::memset(&to, 0, sizeof to);
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    if (!resolve(host, to.sin_addr)) return -1;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (!connect_within(fd, to, timeout_ms) || !socket_set_timeouts(fd, timeout_ms)) {
        close(fd);
        return -1;
    }
    return fd;
}

int socket_open(const std::string& host, int port, int timeout_s) {
    return socket_open_ms(host, port, static_cast<long>(timeout_s) * 1000L);
}

bool socket_set_timeouts(int fd, long timeout_ms) {
    if (timeout_ms < 1) timeout_ms = 1;
    struct timeval tv;
    tv.tv_sec = timeout_ms / 1000;
    tv.tv_usec = (timeout_ms % 1000) * 1000;
    return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0 &&
           setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0;
}

bool socket_send_all(int fd, std::string_view bytes) {
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

long socket_recv_some(int fd, char* buf, size_t size) {
    if (fd < 0 || size == 0) return -1;
    for (;;) {
        ssize_t n = recv(fd, buf, size, 0);
        if (n < 0 && errno == EINTR) continue;
        return n < 0 ? -1 : static_cast<long>(n);
    }
}

void socket_close(int fd) {
    if (fd >= 0) close(fd);
}

bool local_host_name(std::string& out) {
    char name[256];
    if (gethostname(name, sizeof name) != 0) return false;
    name[sizeof name - 1] = '\0';
    out = name;
    return !out.empty();
}

}  // namespace kavr::platform
