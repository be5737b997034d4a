// kavif with its kavelseif and kavelse parts.
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "expr/lexer.h"
#include "expr/values.h"
#include "template/body_scanner.h"
#include "template/interpreter.h"
#include "template/tag_handlers.h"
#include "template/tag_reading.h"
#include "template/unclosed_construct.h"

namespace kavr {

namespace {

int unbalanced(TagCall& call) {
    WriteLog(call.request.thread_number, 3, "Error: kavIFs and /kavIFs are not balanced\n");
    return ReportUnclosedConstruct(call);
}

}  // namespace

// A chain of kavelseif parts is walked here in one loop rather than by
// running each kavelseif as a nested kavif, so a long chain costs neither
// stack nor repeated scans. The lexer is just after "kavif" or
// "kavelseif" each time round.
int KavIf(TagCall& call) {
    Lexer& lexer = call.lexer;
    for (;;) {
        std::string condition, value;
        lexer.set_reference_mode(kRefKeepDouble);
        lexer.ReadItem(true, condition);
        SkipTagEnd(lexer);
        if (!EvaluateItem(call.request, condition, value)) return 0;

        lexer.set_reference_mode(kRefHashIsChar);
        BodyRange body;
        if (IsTrue(value)) {
            if (!ScanIfThen(lexer, body)) return unbalanced(call);
        } else {
            ElseKind kind;
            if (!ScanIfElse(lexer, kind, body)) return unbalanced(call);
            if (kind == kElseIf) continue;
        }
        int rc = InterpretBody(call, body.begin, body.end, call.output);
        if (rc == 0 || rc == -1) return rc;
        lexer.set_position(body.after);
        return 1;
    }
}

}  // namespace kavr
