// The log file "kavri.log": one open, append and close per write, so that
// concurrent requests and crashes lose nothing already written.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

struct Request;

// Level 1 trace, 2 warning, 3 error. A non-zero thread number stamps each
// new line with "TID=..., yy-mm-dd hh:mm:ss: ". False only when the log file
// cannot be opened.
bool WriteLog(int thread_number, int level, std::string_view text);

// Writes the local time as "hh:mm:ss\n" at level 1.
void LogTime(const Request& request);

// Sets the log path from the configuration and starts the file afresh
// unless appending is configured.
void PrepareLog();

// Forgets the line state (for tests that run several requests in one process).
void ResetLogState();

}  // namespace kavr
