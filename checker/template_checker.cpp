#include "checker/template_checker.h"

#include <algorithm>

#include "checker/check_prescan.h"
#include "checker/check_scan.h"
#include "platform/file.h"

namespace kavr {

std::string_view LineOfText(std::string_view text, int line) {
    size_t begin = 0;
    for (int n = 0; n < line; ++n) {
        size_t nl = text.find('\n', begin);
        if (nl == std::string_view::npos) return {};
        begin = nl + 1;
    }
    size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) end = text.size();
    if (end > begin && text[end - 1] == '\r') --end;
    return text.substr(begin, end - begin);
}

namespace {

// The 1-based line of a position and that line's text.
int line_at(std::string_view text, size_t pos, std::string_view& line_text) {
    pos = std::min(pos, text.size());
    int line = 0;
    for (size_t i = 0; i < pos; ++i)
        if (text[i] == '\n') ++line;
    line_text = LineOfText(text, line);
    return line + 1;
}

}  // namespace

void TemplateChecker::Report(std::string_view text, int line, std::string_view line_text) {
    ++problems;
    if (!output.message) {
        Write(text);
        return;
    }
    CheckMessage m;
    m.line = line;
    m.line_text = line_text;
    m.text = text;
    m.body = text.substr(0, text.size() - (!text.empty() && text.back() == '\n'));
    output.message(output.context, m);
}

bool TemplateChecker::CheckFile(const std::string& path) {
    std::string raw;
    if (platform::is_directory(path) || !platform::read_whole_file(path, raw)) {
        failure = kCheckOpenFailed;
        Report("Error: Open Template Failed\n");
        return false;
    }
    std::string text;
    size_t stop = 0;
    if (!PreScanForCheck(raw, text, &stop)) {
        failure = kCheckPreScan;
        // The plain report has no line for this (its program says why on
        // its error stream); laid-out reports name the line.
        if (output.message) {
            std::string_view line_text;
            int line = line_at(raw, stop, line_text);
            Report("Error: the text ends inside an HTML comment or right after \"<\", \"<!\" or \"<!-\"\n", line,
                   line_text);
        } else {
            ++problems;
        }
        return false;
    }
    if (max_text && text.size() > max_text) {
        failure = kCheckTooLong;
        ++problems;
        return false;
    }
    file_text = raw;
    bool ok = CheckText(text);
    file_text = {};
    return ok;
}

bool TemplateChecker::CheckText(std::string_view text) {
    CheckScan scan(*this, text);
    bool ok = scan.Run();
    failure = ok ? kCheckPassed : kCheckDanglingLt;
    return ok;
}

}  // namespace kavr
