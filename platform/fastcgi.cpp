#include "platform/fastcgi.h"

#include <fcgiapp.h>
#include <fcntl.h>
#include <netdb.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace kavr::platform {

namespace {

volatile sig_atomic_t g_stop = 0;

void on_stop_signal(int) {
    g_stop = 1;
    FCGX_ShutdownPending();
}

// While the worker waits for a request a stop signal interrupts the wait;
// while a request runs, system calls go on and the signal is only noted.
void install_stop_handlers(bool interrupt_calls) {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = interrupt_calls ? 0 : SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGUSR1}) sigaction(sig, &sa, nullptr);
}

void close_on_exec(int fd) {
    if (fd < 0) return;
    int flags = fcntl(fd, F_GETFD);
    if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

// The worker's own descriptors move above the low numbers, so that the
// files and sockets a request opens get the numbers they get in a CGI
// process (a socket tag's handle is its descriptor). The copy is
// close-on-exec: no program a template runs inherits it.
constexpr int kWorkerDescriptorBase = 64;

int move_high(int fd) {
    if (fd < 0) return fd;
    int high = fcntl(fd, F_DUPFD_CLOEXEC, kWorkerDescriptorBase);
    if (high < 0) {
        close_on_exec(fd);
        return fd;
    }
    close(fd);
    return high;
}

char* g_empty_environment[] = {nullptr};

constexpr int kListenBacklog = 64;

std::string system_error(int err) { return std::strerror(err); }

// A Unix socket at path; a socket file an earlier worker left there is
// replaced, any other file is kept (the bind then fails).
int listen_unix(const std::string& path, std::string& why) {
    struct sockaddr_un addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        why = system_error(ENAMETOOLONG);
        return -1;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode)) unlink(path.c_str());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<struct sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(fd, kListenBacklog) != 0) {
        why = system_error(errno);
        if (fd >= 0) close(fd);
        return -1;
    }
    return fd;
}

// HOST:PORT over TCP (an IPv6 HOST in brackets); an empty HOST listens on
// every address.
int listen_tcp(std::string host, const std::string& port, std::string& why) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    bool port_ok = !port.empty() && port.size() <= 5 &&
                   port.find_first_not_of("0123456789") == std::string::npos && std::stol(port) >= 1 &&
                   std::stol(port) <= 65535;
    if (!port_ok) {
        why = "the port must be a number from 1 to 65535";
        return -1;
    }
    struct addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    struct addrinfo* found = nullptr;
    int rc = getaddrinfo(host.empty() ? nullptr : host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0) {
        why = gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    for (struct addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            why = system_error(errno);
            continue;
        }
        int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (bind(fd, a->ai_addr, a->ai_addrlen) != 0 || listen(fd, kListenBacklog) != 0) {
            why = system_error(errno);
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

}  // namespace

bool stop_requested() { return g_stop != 0; }

bool stdin_is_fastcgi_listener() {
    // A listening socket has no peer: getpeername fails with ENOTCONN.
    struct sockaddr_storage addr;
    socklen_t len = sizeof addr;
    return getpeername(0, reinterpret_cast<struct sockaddr*>(&addr), &len) != 0 &&
           errno == ENOTCONN;
}

struct FastCgiServer::State {
    FCGX_Request request;
    int listen_fd = -1;
    bool initialised = false;
    bool active = false;  // a request is accepted and not finished
};

FastCgiServer::FastCgiServer() : s_(new State) {
    // The library ignores SIGPIPE itself, so a visitor who goes away
    // mid-response does not end the worker.
    install_stop_handlers(false);
    s_->initialised = FCGX_Init() == 0;
}

FastCgiServer::~FastCgiServer() {
    if (s_->active) finish();
    if (request_channel() == this) set_request_channel(nullptr);
    if (s_->initialised && s_->listen_fd >= 0) FCGX_Free(&s_->request, 1);
    delete s_;
}

bool FastCgiServer::listen_on_stdin() {
    if (!s_->initialised) return false;
    s_->listen_fd = 0;
    close_on_exec(0);
    return FCGX_InitRequest(&s_->request, 0, FCGI_FAIL_ACCEPT_ON_INTR) == 0;
}

bool FastCgiServer::listen_on(const std::string& address, std::string& why) {
    if (!s_->initialised) {
        why = "the FastCGI library did not start";
        return false;
    }
    // The library's own FCGX_OpenSocket ends the process on failure, with
    // the error number as its status.
    std::string reason;
    size_t colon = address.rfind(':');
    int fd = address.empty() || address[0] == '/' || colon == std::string::npos
                 ? listen_unix(address, reason)
                 : listen_tcp(address.substr(0, colon), address.substr(colon + 1), reason);
    if (fd < 0) {
        why = "cannot listen on " + address + ": " + reason;
        return false;
    }
    fd = move_high(fd);
    s_->listen_fd = fd;
    return FCGX_InitRequest(&s_->request, fd, FCGI_FAIL_ACCEPT_ON_INTR) == 0;
}

bool FastCgiServer::accept() {
    if (s_->active) finish();
    if (s_->listen_fd < 0 || g_stop) return false;
    install_stop_handlers(true);
    int rc = FCGX_Accept_r(&s_->request);
    install_stop_handlers(false);
    if (rc < 0 || g_stop) {
        if (rc >= 0) FCGX_Finish_r(&s_->request);
        return false;
    }
    // The library reads the rest of the request through this field.
    s_->request.ipcFd = move_high(s_->request.ipcFd);
    s_->active = true;
    set_request_channel(this);
    return true;
}

void FastCgiServer::finish() {
    if (!s_->active) return;
    FCGX_Finish_r(&s_->request);
    s_->active = false;
}

const char* FastCgiServer::get_env(const char* name) {
    return s_->active ? FCGX_GetParam(name, s_->request.envp) : nullptr;
}

char** FastCgiServer::environment() {
    return s_->active && s_->request.envp ? s_->request.envp : g_empty_environment;
}

size_t FastCgiServer::read_input(char* buf, size_t size) {
    if (!s_->active || size == 0) return 0;
    int chunk = size > 1 << 30 ? 1 << 30 : static_cast<int>(size);
    int n = FCGX_GetStr(buf, chunk, s_->request.in);
    return n > 0 ? static_cast<size_t>(n) : 0;
}

void FastCgiServer::write_output(std::string_view bytes) {
    if (!s_->active) return;
    while (!bytes.empty()) {
        int chunk = bytes.size() > 1 << 30 ? 1 << 30 : static_cast<int>(bytes.size());
        if (FCGX_PutStr(bytes.data(), chunk, s_->request.out) < 0) return;  // the peer went away
        bytes.remove_prefix(static_cast<size_t>(chunk));
    }
}

void FastCgiServer::flush_output() {
    if (s_->active) FCGX_FFlush(s_->request.out);
}

}  // namespace kavr::platform
