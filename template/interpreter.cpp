#include "template/interpreter.h"

#include <string>

#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "template/run_state.h"

namespace kavr {

namespace {

// Runs one row and turns its result into the interpreter's next step:
// 1 go on, 0 stop, -1 leave the text with a loop exit, 2 end the text.
int run_row(const TagEntry& row, Lexer& lexer, Request& request, bool output,
            const std::string& name) {
    if (!(row.flags & kTagTextMode)) lexer.set_reference_mode(kRefKeepDouble);
    TagCall call{lexer, request, output, name};
    int rc = row.handler(call);
    lexer.set_reference_mode(kRefHashIsChar);
    if (rc == 0) return 0;
    if (rc == -1 && (row.flags & kTagPassesExit)) return -1;
    if (row.flags & kTagEndsText) return 2;
    return 1;
}

void write_if(Request& request, bool output, const std::string& a, const std::string& b = "",
              const std::string& c = "") {
    if (!output) return;
    request.out.write(a);
    if (!b.empty()) request.out.write(b);
    if (!c.empty()) request.out.write(c);
}

}  // namespace

int Interpret(Lexer& lexer, Request& request, bool output) {
    lexer.set_reference_mode(kRefHashIsChar);
    // Tags of the template file itself mark where they start, for the line
    // an error names; tags of row texts and code leave the template's tag.
    TemplateRunState& state = RunState(request);
    const bool marks_tags = state.template_lexer == &lexer;
    std::string text, token, name, closing;
    for (;;) {
        // The text up to the next "<" goes out in one piece.
        lexer.ReadPlainText(text);
        if (output && !text.empty()) request.out.write(text);
        if (lexer.NextToken(token) == kTokEnd) return 1;
        write_if(request, output, lexer.whitespace());
        size_t tag_start = lexer.position() - 1;
        if (lexer.NextToken(name) == kTokEnd) return 0;
        if (StartsWithNoCase(name, "kav")) {
            const TagEntry* row = FindTag(name);
            if (row) {
                size_t outer_tag = state.tag_start;
                if (marks_tags) state.tag_start = tag_start;
                int step = run_row(*row, lexer, request, output, name);
                state.tag_start = outer_tag;
                if (step == 0 || step == -1) return step;
                if (step == 2) return 1;
            } else {
                write_if(request, output, "<", lexer.whitespace(), name);
            }
        } else if (name == "/") {
            std::string kept = lexer.whitespace();
            if (lexer.NextToken(closing) == kTokEnd) return 0;
            const TagEntry* row = StartsWithNoCase(closing, "kav") ? FindTag("/" + closing) : nullptr;
            if (row) {
                int step = run_row(*row, lexer, request, output, closing);
                if (step == 0 || step == -1) return step;
                if (step == 2) return 1;
            } else if (output) {
                request.out.write("<");
                request.out.write(kept);
                request.out.write("/");
                request.out.write(lexer.whitespace());
                request.out.write(closing);
            }
        } else {
            write_if(request, output, "<", lexer.whitespace(), name);
        }
    }
}

int InterpretBody(TagCall& call, size_t begin, size_t end, bool output) {
    TemplateRunState& state = RunState(call.request);
    if (state.construct_depth >= kMaxConstructDepth) {
        std::string why = "Error: Constructs nested deeper than " +
                          std::to_string(kMaxConstructDepth) + " levels in " + call.name;
        WriteLog(call.request.thread_number, 3, why + "\n");
        call.request.out.write(why + "<BR>\n");
        return 0;
    }
    Lexer& lexer = call.lexer;
    size_t saved_limit = lexer.limit();
    ++state.construct_depth;
    lexer.set_position(begin);
    lexer.set_limit(end);
    int rc = Interpret(lexer, call.request, output);
    lexer.set_limit(saved_limit);
    --state.construct_depth;
    return rc;
}

}  // namespace kavr
