// The template syntax checker: reads template text without running it and
// reports, line by line, malformed tags and blocks that are not closed. It
// serves the console program tagcheck and the kavcheck tag of the engine.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kavr {

// One problem, for callers that lay the report out themselves.
struct CheckMessage {
    int line = 0;                // 1-based line it is about; 0 for the file as a whole
    std::string_view line_text;  // that line's text without its line end
    std::string_view text;       // as the plain report writes it
    std::string_view body;       // the same without its leading line number and line end
    // Where an unbalanced construct opened: a second message that only
    // callers of message see; the plain report has no such line.
    bool note = false;
};

// Where the report goes. The plain report comes piece by piece through
// write (line echoes and messages); when message is set, every message
// goes there instead, with no echo. With neither, only the result comes
// back.
struct CheckerOutput {
    void (*write)(void* context, std::string_view text) = nullptr;
    void (*message)(void* context, const CheckMessage& message) = nullptr;
    void* context = nullptr;
};

// Why the last check failed, for callers that explain it elsewhere.
enum CheckFailure {
    kCheckPassed,      // scanned to the end
    kCheckOpenFailed,  // the file could not be opened
    kCheckPreScan,     // the text ends right after "<", "<!", "<!-" or inside a comment
    kCheckTooLong,     // the pre-scanned text is longer than max_text
    kCheckDanglingLt,  // a "<" is the last token of the text
};

// The text of a 0-based line, without its line end; empty past the end.
std::string_view LineOfText(std::string_view text, int line);

struct TemplateChecker {
    CheckerOutput output;
    // The console program checks kavlocation and kavcookie silently; the
    // kavcheck tag reports their problems.
    bool report_header_tags = false;
    // Longest text CheckFile accepts after the pre-scan; 0 means no limit.
    size_t max_text = 0;

    // Line whose text was echoed last; -1 so that the first message echoes.
    int last_echoed_line = -1;
    CheckFailure failure = kCheckPassed;
    // Problems reported so far (notes not counted).
    int problems = 0;
    // The file's text as read, while CheckFile checks it: laid-out
    // messages show its lines rather than those without comments.
    std::string_view file_text;

    // Opens the file, removes its HTML comments and checks the rest.
    // Writes "Error: Open Template Failed\n" when it cannot be opened.
    // False when it cannot be opened, the pre-scan fails, the text is too
    // long, or CheckText fails.
    bool CheckFile(const std::string& path);
    // False only when a "<" is left without a following token; every
    // other problem is reported and the result stays true.
    bool CheckText(std::string_view text);

    void Write(std::string_view text) const {
        if (output.write) output.write(output.context, text);
    }
    // A problem of the file as a whole or of one line of the raw text.
    void Report(std::string_view text, int line = 0, std::string_view line_text = {});
};

}  // namespace kavr
