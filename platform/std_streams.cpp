#include "platform/std_streams.h"

#include <cstdio>

#include "platform/request_channel.h"

namespace kavr::platform {

// Output is fully buffered; it is flushed at exit and before anything that
// hands the descriptor to another process.
void stdout_write(std::string_view bytes) {
    if (bytes.empty()) return;
    if (RequestChannel* c = request_channel())
        c->write_output(bytes);
    else
        fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void stdout_flush() {
    if (RequestChannel* c = request_channel())
        c->flush_output();
    else
        fflush(stdout);
}

void stderr_write(std::string_view bytes) {
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), stderr);
    fflush(stderr);
}

size_t stdin_read(char* buf, size_t size) {
    if (RequestChannel* c = request_channel()) return c->read_input(buf, size);
    return fread(buf, 1, size, stdin);
}

}  // namespace kavr::platform
