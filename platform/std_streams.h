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

// Reads up to size bytes; returns the count, 0 at end of input.
size_t stdin_read(char* buf, size_t size);

}  // namespace kavr::platform
