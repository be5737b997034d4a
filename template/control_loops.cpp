// kavwhile, kavfor and the tags that leave them.
//
// A loop's body is found once and then interpreted in place on every
// iteration, so an iteration costs no more memory than the one before.
// "NoOutput" silences the loop's own body only: the text after the loop
// is written again, as one expects of a switch given on the loop's tag.
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/values.h"
#include "expr/variables.h"
#include "template/body_scanner.h"
#include "template/interpreter.h"
#include "template/tag_handlers.h"
#include "template/tag_reading.h"
#include "template/unclosed_construct.h"

namespace kavr {

namespace {

// Reads one bound or step of a kavfor (an expression) as a long integer.
// A value that is not a number fails the tag, with a line in the log,
// rather than looping over an arbitrary range.
int read_bound(TagCall& call, long& out) {
    std::string item, value;
    call.lexer.ReadSignedItem(true, item);
    if (!EvaluateItem(call.request, item, value)) return 0;
    if (ParseLeadingLong(value, out)) return 1;
    WriteLog(call.request.thread_number, 3, "Error: kavfor value is not a number: " + value + "\n");
    return 0;
}

}  // namespace

int KavWhile(TagCall& call) {
    Lexer& lexer = call.lexer;
    std::string condition, token, value;
    bool output = call.output;
    lexer.ReadItem(true, condition);
    lexer.NextToken(token);
    if (EqualsNoCase(token, "NoOutput")) {
        output = false;
        lexer.NextToken(token);
    }
    lexer.set_reference_mode(kRefHashIsChar);
    BodyRange body;
    if (!ScanBody(lexer, "kavwhile", body)) return ReportUnclosedConstruct(call);

    if (!EvaluateItem(call.request, condition, value)) return 0;
    while (IsTrue(value)) {
        int rc = InterpretBody(call, body.begin, body.end, output);
        if (rc == -1) break;
        if (rc == 0) return 0;
        if (!EvaluateItem(call.request, condition, value)) return 0;
    }
    lexer.set_position(body.after);
    return 1;
}

int KavFor(TagCall& call) {
    Lexer& lexer = call.lexer;
    std::string item, token;
    lexer.ReadItem(false, item);
    NameForm form = ClassifyNameForm(item);
    if (form.kind != kNamePlain) return 0;
    long start = 0, end = 0, step = 1;
    if (lexer.NextToken(token) == kTokEnd || token != "=") return 0;
    if (!read_bound(call, start)) return 0;
    if (lexer.NextToken(token) == kTokEnd || !EqualsNoCase(token, "to")) return 0;
    if (!read_bound(call, end)) return 0;

    bool output = true;
    for (;;) {
        if (lexer.NextToken(token) == kTokEnd) return 0;
        if (token == ">") break;
        if (EqualsNoCase(token, "step")) {
            if (!read_bound(call, step)) return 0;
        } else if (EqualsNoCase(token, "NoOutput")) {
            output = false;
        } else {
            return 0;
        }
    }
    lexer.set_reference_mode(kRefHashIsChar);
    BodyRange body;
    if (!ScanBody(lexer, "kavfor", body)) return ReportUnclosedConstruct(call);

    // The counter lives here: assignments to the variable inside the body
    // do not change the number of iterations.
    long counter = start;
    if (!call.request.vars.set(form.name, std::to_string(counter), 0)) return 0;
    while (step > 0 ? counter <= end : step < 0 ? counter >= end : false) {
        int rc = InterpretBody(call, body.begin, body.end, output);
        if (rc == -1) break;
        if (rc == 0) return 0;
        // A counter that would pass the range of long ends the loop.
        if (__builtin_add_overflow(counter, step, &counter)) break;
        if (!call.request.vars.set(form.name, std::to_string(counter), 0)) return 0;
    }
    lexer.set_position(body.after);
    return 1;
}

int KavExitLoop(TagCall& call) {
    SkipTagEnd(call.lexer);
    return -1;
}

}  // namespace kavr
