// The pre-scan of a template file: HTML comments (and every tag inside
// them) are removed, and a kavinclude, kavlocation or kavcookie tag
// switches the response to buffered, so that the header can be written
// after the template has run.
#pragma once
#include <string>
#include <vector>

#include "template/run_state.h"

namespace kavr {

class Lexer;
struct Request;

// Reads the lexer's whole input (text mode) into text. 0 when it ends
// right after "<", "<!" or "<!-", or inside a comment. With marks, also
// where the text's lines stop being the input's (a file source only).
int PreScan(Request& request, Lexer& lexer, std::string& text, std::vector<LineMark>* marks = nullptr);

// Opens the file and pre-scans it. 0 when it cannot be opened or the
// pre-scan fails.
int PreScanFile(Request& request, const std::string& path, std::string& text,
                std::vector<LineMark>* marks = nullptr);

}  // namespace kavr
