#include "template/interpreter.h"

#include <string>

#include "driver/core/log.h"
#include "driver/core/request.h"
#include "expr/lexer.h"
#include "template/run_state.h"
#include "template/text_steps.h"

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

}  // namespace

int Interpret(Lexer& lexer, Request& request, bool output) {
    // Tags of the template file itself mark where they start, for the line
    // an error names; tags of row texts and code leave the template's tag.
    TemplateRunState& state = RunState(request);
    const bool marks_tags = state.template_lexer == &lexer;
    const std::string& text = lexer.text();
    TextStep scratch;
    for (;;) {
        const TextStep& st = StepAt(lexer, scratch);
        if (output)
            for (const TextStep::Piece& p : st.copy) request.out.write(st.piece(text, p));
        int step;
        switch (st.kind) {
            case TextStep::kEndOfText:
                return 1;
            case TextStep::kCutOff:
                return 0;
            case TextStep::kTag: {
                size_t outer_tag = state.tag_start;
                if (marks_tags) state.tag_start = st.tag_start;
                step = run_row(*st.row, lexer, request, output, st.name);
                state.tag_start = outer_tag;
                break;
            }
            default:
                step = run_row(*st.row, lexer, request, output, st.name);
                break;
        }
        if (step == 0 || step == -1) return step;
        if (step == 2) return 1;
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
