// Where the running request's environment, standard input and standard
// output come from. A CGI process reads and writes its own; a FastCGI worker
// installs the accepted request's streams for the time of each request, so
// that nothing above this layer can tell the two apart.
#pragma once
#include <cstddef>
#include <string_view>

namespace kavr::platform {

class RequestChannel {
public:
    virtual ~RequestChannel() = default;
    // The variable's value, or nullptr when the request does not carry it.
    virtual const char* get_env(const char* name) = 0;
    // The whole environment, "NAME=value" texts ending with nullptr.
    virtual char** environment() = 0;
    // Up to size bytes of the request body; 0 at its end.
    virtual size_t read_input(char* buf, size_t size) = 0;
    virtual void write_output(std::string_view bytes) = 0;
    virtual void flush_output() = 0;
};

// Installs the channel of the request that runs now; nullptr goes back to
// the process's own environment and standard streams.
void set_request_channel(RequestChannel* channel);
RequestChannel* request_channel();

}  // namespace kavr::platform
