// kavselectcase with its kavcase and kavcaseelse parts.
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/values.h"
#include "template/body_scanner.h"
#include "template/interpreter.h"
#include "template/tag_handlers.h"
#include "template/tag_reading.h"
#include "template/unclosed_construct.h"

namespace kavr {

namespace {

bool is(const TagEvent& e, bool closing, const char* name) {
    return e.closing == closing && EqualsNoCase(e.name, name);
}

}  // namespace

int KavSelectCase(TagCall& call) {
    Lexer& lexer = call.lexer;
    std::string item, selected;
    lexer.ReadSignedItem(true, item);
    SkipTagEnd(lexer);
    if (!EvaluateItem(call.request, item, selected)) return 0;

    // The first case that matches, in the order written, is chosen; its body
    // runs to the next case of this construct or to the closing tag. Once
    // a case is chosen, later case values are read but not evaluated.
    lexer.set_reference_mode(kRefHashIsChar);
    BodyRange body;
    bool chosen = false, in_chosen = false, closed = false;
    int depth = 0;
    TagEvent e;
    while (!closed && NextTagEvent(lexer, e)) {
        if (is(e, false, "kavselectcase")) {
            ++depth;
        } else if (is(e, true, "kavselectcase")) {
            if (depth-- > 0) continue;
            if (in_chosen) body.end = e.lt;
            SkipTagEnd(lexer);
            body.after = lexer.position();
            closed = true;
        } else if (depth == 0 && (is(e, false, "kavcase") || is(e, false, "kavcaseelse"))) {
            if (in_chosen) {
                body.end = e.lt;
                in_chosen = false;
            }
            bool match = !chosen;
            if (is(e, false, "kavcase")) {
                // "##" in a case value stands for "#".
                std::string value_item, value;
                lexer.set_reference_mode(kRefCollapse);
                lexer.ReadSignedItem(true, value_item);
                SkipTagEnd(lexer);
                lexer.set_reference_mode(kRefHashIsChar);
                if (!chosen) {
                    if (!EvaluateItem(call.request, value_item, value)) return 0;
                    match = CaseMatch(selected, "is", value) != 0;
                }
            } else {
                SkipTagEnd(lexer);
            }
            if (match) {
                chosen = in_chosen = true;
                body.begin = lexer.position();
            }
        }
    }
    if (!closed) return ReportUnclosedConstruct(call);
    if (!chosen) body.begin = body.end = body.after;

    const std::string& text = lexer.text();
    WriteLog(call.request.thread_number, 1,
             "Case Part=" + text.substr(body.begin, body.end - body.begin) + "\n");
    int rc = InterpretBody(call, body.begin, body.end, call.output);
    if (rc == 0 || rc == -1) return rc;
    lexer.set_position(body.after);
    return 1;
}

}  // namespace kavr
