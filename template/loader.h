// Loading and running template files: the request's own template (with
// the header written before or after it, as its tags need) and the
// templates that kavinclude runs.
#pragma once
#include <string>

namespace kavr {

struct Request;

// What a template that cannot be opened leaves: the level-3 log line, the
// header when it is due now, and error 10220 or its fallback lines naming
// the path.
void ReportUnopenableTemplate(Request& request, const std::string& path);

// Pre-scans the file and interprets it with a lexer of its own and output
// on. The interpreter's result (1, 0 or -1); 0 when the file cannot be
// opened or its pre-scan fails (both reported).
int LoadAndRun(Request& request, const std::string& path);

// Runs the request's template: loads and runs it (a refused value counts
// as a file that cannot be opened), then, when the response was buffered,
// writes the late header and the body.
int RunTemplate(Request& request);

}  // namespace kavr
