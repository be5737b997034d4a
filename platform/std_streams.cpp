#include "platform/std_streams.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

#include "platform/clock.h"
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

InputStatus stdin_read_some(char* buf, size_t size, long timeout_ms, size_t& count) {
    count = 0;
    if (size == 0) return InputStatus::kData;
    // A FastCGI body arrives in records up to a closing empty one, so the
    // read cannot be held open; the worker's time limit covers a stalled
    // server.
    if (RequestChannel* c = request_channel()) {
        count = c->read_input(buf, size);
        return count ? InputStatus::kData : InputStatus::kEnded;
    }
    const long deadline = timeout_ms < 0 ? 0 : clock_ms() + timeout_ms;
    for (;;) {
        struct pollfd p = {STDIN_FILENO, POLLIN, 0};
        int wait = -1;
        if (timeout_ms >= 0) {
            long left = deadline - clock_ms();
            if (left < 0) left = 0;
            wait = left > INT_MAX ? INT_MAX : static_cast<int>(left);
        }
        int ready = poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) return InputStatus::kTimedOut;
        // Also a hang-up or an error: read() then tells the end.
        ssize_t n = read(STDIN_FILENO, buf, size);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return InputStatus::kEnded;
        count = static_cast<size_t>(n);
        return InputStatus::kData;
    }
}

}  // namespace kavr::platform
