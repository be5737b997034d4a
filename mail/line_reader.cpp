#include "mail/line_reader.h"

#include "platform/clock.h"
#include "platform/socket.h"

namespace kavr {

void LineReader::reset(int fd) {
    fd_ = fd;
    buffer_.clear();
}

int LineReader::read_line(std::string& line, size_t max_line, long deadline_ms) {
    line.clear();
    for (;;) {
        size_t lf = buffer_.find('\n');
        if (lf != std::string::npos) {
            if (lf + 1 > max_line) return 0;
            line.assign(buffer_, 0, lf + 1);
            buffer_.erase(0, lf + 1);
            return 1;
        }
        if (buffer_.size() >= max_line) return 0;
        if (platform::clock_ms() > deadline_ms) return 0;
        char chunk[512];
        long n = platform::socket_recv_some(fd_, chunk, sizeof chunk);
        if (n <= 0) return 0;
        buffer_.append(chunk, static_cast<size_t>(n));
    }
}

}  // namespace kavr
