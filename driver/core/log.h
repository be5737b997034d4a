// The log file "kavri.log". A request opens it once and appends to it a
// whole line at a time, each line in one write, so the lines of concurrent
// requests never tear each other; a line is written as soon as it ends.
// Control bytes of a logged text (line breaks, carriage returns, zero
// bytes...) are written escaped, so that no text can end a line early or
// forge one of its own: only a line feed that ends a text ends a line.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

struct Request;

// True when texts of this level are written (1 trace, 2 warning, 3
// error). A caller that builds a text for the log asks this first, so that
// nothing is formatted for a level that is not written.
bool LogWanted(int level);

// Writes the text at the level. A non-zero thread number stamps each new
// line with "TID=..., yy-mm-dd hh:mm:ss: ". False only when the log file
// cannot be opened or written.
bool WriteLog(int thread_number, int level, std::string_view text);

// Writes the local time as "hh:mm:ss\n" at level 1.
void LogTime(const Request& request);

// Sets the log path from the configuration and starts the request's log.
void PrepareLog();

// Opens the log for a request: emptied first unless LogAppend is set.
// PrepareLog calls it.
void StartRequestLog();

// Writes what is left of an unfinished line and closes the log: the end of
// every request. In a process that serves several requests, the first line
// of the next request opens the log again, emptied first unless LogAppend
// is set, so that each request's log starts as its own.
void EndRequestLog();

// Forgets the line state (for tests that run several requests in one process).
void ResetLogState();

// The text as the log shows it: every control byte but a final line feed
// escaped as \n, \r or \xNN.
std::string EscapeLogText(std::string_view text);

}  // namespace kavr
