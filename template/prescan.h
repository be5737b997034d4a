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

// What the pre-scan of a text gives, without a request: the cleaned text,
// where its lines part from the input's, and what the request is to see
// of the scan (its log lines and the switch to buffered).
struct PreScanResult {
    int ok = 0;  // 0 when the text ends right after "<", "<!" or "<!-", or inside a comment
    std::string text;
    std::vector<LineMark> marks;
    int comments = 0;           // comments met and left
    bool open_comment = false;  // the text ended inside a comment
    bool late_header = false;   // a tag that needs the header written late
    // The text reads as written to its end and holds no "<" that the
    // interpreter stops at: it is all copied, as it stands.
    bool plain = false;
};

// Pre-scans raw (the whole input, read in text mode).
void PreScanText(std::string raw, PreScanResult& result);

// What the scan shows the request: the log lines of the comments met and,
// unless the header is out already, the switch to buffered.
void ApplyPreScan(Request& request, const PreScanResult& result);

// Reads a lexer's text from its position to its limit into text (with
// marks, also where the text's lines stop being the input's) and applies
// the scan to the request. 0 when it ends right after "<", "<!" or "<!-",
// or inside a comment.
int PreScan(Request& request, Lexer& lexer, std::string& text, std::vector<LineMark>* marks = nullptr);

// Reads the file and pre-scans it. 0 when it cannot be opened or the
// pre-scan fails.
int PreScanFile(Request& request, const std::string& path, std::string& text,
                std::vector<LineMark>* marks = nullptr);

}  // namespace kavr
