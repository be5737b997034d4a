// The FastCGI side of a worker, through libfcgi: the listening socket
// (standard input, as a web server or process manager hands it over, or an
// address of the worker's own) and the one request accepted at a time.
#pragma once
#include <string>
#include <string_view>

#include "platform/request_channel.h"

namespace kavr::platform {

// True when standard input is a listening socket: the process was started
// as a FastCGI application rather than as a CGI program.
bool stdin_is_fastcgi_listener();

class FastCgiServer : public RequestChannel {
public:
    FastCgiServer();
    ~FastCgiServer() override;
    FastCgiServer(const FastCgiServer&) = delete;
    FastCgiServer& operator=(const FastCgiServer&) = delete;

    // Serves the listening socket on standard input.
    bool listen_on_stdin();
    // Listens on a Unix socket path (replacing a socket file left there) or
    // on HOST:PORT. why says what failed.
    bool listen_on(const std::string& address, std::string& why);

    // Waits for the next request and installs it as the request channel.
    // False when the worker is asked to stop (SIGTERM, SIGINT, SIGUSR1) or
    // the socket fails.
    bool accept();
    // Ends the response: the web server has it all once this returns. The
    // channel is taken down again; until the next accept the environment is
    // empty, input ended and output dropped.
    void finish();

    const char* get_env(const char* name) override;
    char** environment() override;
    size_t read_input(char* buf, size_t size) override;
    void write_output(std::string_view bytes) override;
    void flush_output() override;

private:
    struct State;
    State* s_;
};

// Set by the stop signals; a request in progress still runs to its end.
bool stop_requested();

}  // namespace kavr::platform
