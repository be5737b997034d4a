// Standard input and output of the request (the process's own under CGI,
// the FastCGI request's streams in a worker).
#pragma once
#include <cstddef>
#include <string_view>

namespace kavr::platform {

void stdout_write(std::string_view bytes);
void stdout_flush();

// Writes at once to standard error (console programs' usage and notes).
void stderr_write(std::string_view bytes);

// What one read of standard input gave.
enum class InputStatus { kData, kEnded, kTimedOut };

// Reads what standard input holds, up to size bytes, waiting at most
// timeout_ms for the first byte (without limit when negative). It never
// waits for more than is already there, so a writer that keeps its end
// open after the body cannot hold the request. count receives the bytes
// read (0 unless kData); a read error counts as the end of input.
InputStatus stdin_read_some(char* buf, size_t size, long timeout_ms, size_t& count);

}  // namespace kavr::platform
