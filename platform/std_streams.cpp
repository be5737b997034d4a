#include "platform/std_streams.h"

#include <cstdio>

namespace kavr::platform {

// Output is fully buffered; it is flushed at exit and before anything that
// hands the descriptor to another process.
void stdout_write(std::string_view bytes) {
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), stdout);
}

void stdout_flush() { fflush(stdout); }

void stderr_write(std::string_view bytes) {
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), stderr);
    fflush(stderr);
}

size_t stdin_read(char* buf, size_t size) { return fread(buf, 1, size, stdin); }

int stdin_getc() { return getc(stdin); }

}  // namespace kavr::platform
