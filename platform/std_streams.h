// Standard input and output of the CGI process.
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

// One byte of standard input, or -1 at end of input.
int stdin_getc();

}  // namespace kavr::platform
