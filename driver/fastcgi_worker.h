// The FastCGI worker: one request at a time, each a fresh Request through
// the same driver as a CGI run. Only the configuration record (read again
// when "kavri.ini" changes), the compiled-form caches and the pooled
// database connections (reset after each request) outlive a request.
#pragma once

namespace kavr {

// Serves the listening socket on standard input (address nullptr) or on
// address (a Unix socket path, or HOST:PORT). Returns the exit code: 0
// after a stop signal or the configured number of requests, 1 when it
// could not listen.
int RunFastCgiWorker(const char* address);

}  // namespace kavr
