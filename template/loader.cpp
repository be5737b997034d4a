#include "template/loader.h"

#include "driver/core/text_util.h"

#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "expr/lexer.h"
#include "platform/file.h"
#include "template/compiled_template.h"
#include "template/interpreter.h"
#include "template/prescan.h"
#include "template/run_state.h"
#include "template/template_path.h"

namespace kavr {

namespace {

void log3(const Request& r, const std::string& text) { WriteLog(r.thread_number, 3, text); }
void log1(const Request& r, const std::string& text) { WriteLog(r.thread_number, 1, text); }

// The header goes out at once unless the response is buffered, in which
// case the template run writes it after the body has been produced.
void header_now(Request& r) {
    if (r.out.buffered || r.out.header_written) return;
    r.out.write_header(true);
    r.out.header_written = 1;
}

// The header of a buffered template, then its body: a redirect, or the
// content type with the cookie lines, or the plain header. Cookies set
// before a redirect go out with it (a login page that sets a cookie and
// redirects would otherwise lose the cookie).
void write_late_header(Request& r) {
    r.out.set_buffered(false);
    if (!r.out.header_written) {
        if (!r.pending_location.empty()) {
            if (r.pending_cookie.empty()) {
                r.out.write(r.pending_location);
            } else {
                // The location text ends with the blank line; the cookie
                // lines go between it and the end of the header.
                std::string_view loc = r.pending_location;
                r.out.write(loc.substr(0, loc.size() - 1));
                r.out.write(r.pending_cookie);
                r.out.write("\n");
            }
        } else if (!r.pending_cookie.empty()) {
            r.out.write_header(false);
            r.out.write(r.pending_cookie);
            r.out.write("\n");
        } else {
            r.out.write_header(true);
        }
        r.out.header_written = 1;
    }
    r.pending_location.clear();
    r.pending_cookie.clear();
    r.out.flush_blocks();
}

}  // namespace


// The fallback lines name the file that failed (for an include, the
// included file), escaped, since the name may come from the request.
void ReportUnopenableTemplate(Request& r, const std::string& path) {
    log3(r, "Error: Open Template Failed\n");
    header_now(r);
    if (!ReportError(r, "10220", r.out)) {
        // A production site names the file, never its directory.
        std::string shown = g_config.error_detail ? path : path.substr(path.find_last_of('\\') + 1);
        r.out.write("Error: Open template file: " + HtmlEscape(shown) + " Failed<BR>");
        r.out.write("Try to provide a correct Template file<BR>");
    }
}

int LoadAndRun(Request& r, const std::string& path) {
    if (LogWanted(1)) log1(r, "Template File is " + path + "\n");
    {
        platform::File probe(path, "r");
        if (!probe.is_open() || platform::is_directory(path)) {
            if (RunState(r).template_depth == 0) r.out.status = kStatusNotFound;
            ReportUnopenableTemplate(r, path);
            return 0;
        }
    }
    std::shared_ptr<const CompiledTemplate> compiled = CompileTemplateFile(path);
    if (compiled) ApplyPreScan(r, compiled->scan);
    if (!compiled || !compiled->scan.ok) {
        // Rather than an empty page: the header and a line that says why.
        log3(r, "Error: Template file ends inside a comment or a tag: " + path + "\n");
        header_now(r);
        r.out.write("Error: Template file " + HtmlEscape(path) +
                    " ends inside a comment or right after \"&lt;\"<BR>\n");
        return 0;
    }
    if (LogWanted(1)) log1(r, "Loaded template file: " + path + "\n");
    header_now(r);
    TemplateRunState& state = RunState(r);
    ++state.template_depth;
    Lexer lexer(compiled->tape, kRefHashIsChar);
    // Tags report their lines in this file until it is done; an include
    // gives the outer file back.
    const Lexer* outer_lexer = state.template_lexer;
    const std::vector<LineMark>* outer_marks = state.line_marks;
    size_t outer_tag = state.tag_start;
    state.template_lexer = &lexer;
    state.line_marks = &compiled->scan.marks;
    int rc = Interpret(lexer, r, true);
    state.template_lexer = outer_lexer;
    state.line_marks = outer_marks;
    state.tag_start = outer_tag;
    --state.template_depth;
    return rc;
}

int RunTemplate(Request& r) {
    if (!r.template_path) return 0;
    int rc;
    if (r.template_refused) {
        LogTemplateRefusal(r, ResolvedTemplate{*r.template_path, true, r.template_refusal});
        r.out.status = kStatusNotFound;
        ReportUnopenableTemplate(r, *r.template_path);
        rc = 0;
    } else {
        rc = LoadAndRun(r, *r.template_path);
    }
    if (r.out.buffered) write_late_header(r);
    return rc;
}

}  // namespace kavr
