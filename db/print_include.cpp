#include "db/print_include.h"

#include "driver/core/charset.h"
#include "driver/core/hooks.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "platform/file.h"
#include "template/loader.h"

namespace kavr {

namespace {

constexpr size_t kIncludeLineChars = 1023;
constexpr size_t kEscapedLineChars = 3071;

// Lines of up to 1023 bytes; a longer line goes on in the next one. On a
// utf-8 site a character the cut would split goes whole to the next line.
class LineReader {
public:
    explicit LineReader(platform::File& f) : f_(f) {}

    // had_end tells whether a line end (not kept) finished the line. False
    // at the end of the file with nothing read.
    bool next(std::string& line, bool& had_end) {
        line.swap(carry_);
        carry_.clear();
        had_end = false;
        while (line.size() < kIncludeLineChars) {
            int c = f_.getc();
            if (c < 0) return !line.empty();
            if (c == '\n') {
                had_end = true;
                return true;
            }
            line += static_cast<char>(c);
        }
        // Up to three more bytes show whether the cut splits a character.
        for (int i = 0; i < 3; ++i) {
            int c = f_.getc();
            if (c < 0) break;
            if (c == '\n') {
                f_.ungetc(c);
                break;
            }
            line += static_cast<char>(c);
        }
        size_t keep = CutPoint(line, kIncludeLineChars);
        carry_ = line.substr(keep);
        line.resize(keep);
        return true;
    }

private:
    platform::File& f_;
    std::string carry_;
};

}  // namespace

IncludeFormat IncludeFormatOf(const std::string& preformat, const std::string& htmlformat) {
    IncludeFormat f;
    f.preformat = EqualsNoCase(preformat, "ON");
    f.html = !EqualsNoCase(htmlformat, "OFF");
    return f;
}

int ResolveReadableFile(Request& r, const std::string& name, const std::string& password,
                        std::string& physical) {
    if (!g_hooks.resolve_file_path ||
        !g_hooks.resolve_file_path(r, name, physical, "r", password, r.out)) {
        r.vars.set("CurFileName__", name);
        ReportError(r, "10260", r.out);
        return 0;
    }
    return 1;
}

int OutputIncludeFile(Request& r, const std::string& name, const std::string& password,
                      const IncludeFormat& format,
                      const std::function<int(std::string_view)>& emit) {
    std::string physical;
    if (!ResolveReadableFile(r, name, password, physical)) return 1;
    platform::File f;
    if (!f.open(physical, "r")) {
        r.vars.set("CurFileName__", name);
        ReportError(r, "10260", r.out);
        return 1;
    }
    LineReader lines(f);
    std::string line;
    bool had_end = false;
    int ok = 1;
    if (format.html && format.preformat) ok &= emit("<PRE>\n");
    while (lines.next(line, had_end)) {
        if (!line.empty() && line.back() == '\r' && had_end) line.pop_back();
        if (!format.html) {
            ok &= emit(line + (had_end ? "\n" : ""));
        } else if (format.preformat) {
            ok &= emit(HtmlEscape(line, kEscapedLineChars) + (had_end ? "\n" : ""));
        } else {
            ok &= emit(HtmlEscape(line, kEscapedLineChars) + (had_end ? "<BR>\n" : ""));
        }
    }
    if (format.html && format.preformat) ok &= emit("</PRE>\n");
    return ok;
}

}  // namespace kavr
