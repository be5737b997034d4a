// Reads lines from a connection, keeping what arrived beyond the current
// line for the next call. Every line and every wait is bounded.
#pragma once
#include <cstddef>
#include <string>

namespace kavr {

class LineReader {
public:
    // Starts over on another connection, dropping buffered bytes.
    void reset(int fd);

    // Reads one line ended by LF and gives it back with its line end. 1 on
    // success; 0 when the peer closes or fails, a receive times out, the
    // line grows beyond max_line bytes, or the clock passes deadline_ms
    // (platform clock_ms) before the line is complete.
    int read_line(std::string& line, size_t max_line, long deadline_ms);

private:
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace kavr
