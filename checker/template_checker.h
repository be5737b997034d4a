// The template syntax checker: reads template text without running it and
// reports, line by line, malformed tags and blocks that are not closed. It
// serves the console program tagcheck and the kavcheck tag of the engine.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kavr {

// Where the report goes, piece by piece. Without a write function every
// message and line echo is skipped and only the result is returned.
struct CheckerOutput {
    void (*write)(void* context, std::string_view text) = nullptr;
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
};

}  // namespace kavr
