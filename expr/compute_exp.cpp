#include <memory>
#include <string>

#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "expr/compiled_expr.h"
#include "expr/evaluator.h"
#include "expr/parser.h"
#include "expr/values.h"
#include "expr/variables.h"

namespace kavr {

namespace {

// Function arguments and element indexes are expressions of their own, so
// evaluation nests; the nesting is bounded like the op stack.
int g_nesting = 0;

struct NestingGuard {
    NestingGuard() { ++g_nesting; }
    ~NestingGuard() { --g_nesting; }
};

void log_start(Request& r, const std::string& expr) {
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "In compute_exp, exp=" + expr + "\n");
}

void log_value(Request& r, std::string_view value) {
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "the exp's value=" + std::string(value) + "\n");
}

}  // namespace

int ComputeColumnReference(const std::string& expr, const std::string& operand, std::string_view column,
                           size_t size, Request& r, const RowView& row, std::string_view& value) {
    if (g_nesting >= static_cast<int>(kOpStackSize)) {
        std::string unused;
        return compute_exp(expr, unused, size, r, row);
    }
    // The steps of the lookup and of the evaluation that a plain name takes,
    // and then their trace lines in the order those steps write them.
    value = CutView(column, kValueSize - 1);
    const std::string_view looked_up = value;
    if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
    value = CutView(value, size ? size - 1 : 0);
    if (LogWanted(1)) {
        log_start(r, expr);
        LogLookupStart(r, operand);
        LogLookupValue(r, looked_up);
        log_value(r, value);
    }
    return 1;
}

int compute_exp(const std::string& expr, std::string& out, size_t size, Request& r, const RowView& row) {
    log_start(r, expr);
    std::string value;
    if (expr.empty() || expr[0] != '#') {
        value = StripQuotes(expr);
    } else {
        NestingGuard nesting;
        bool closed = expr.size() >= 2 && expr.back() == '#';
        std::string_view inner = closed ? std::string_view(expr).substr(1, expr.size() - 2) : std::string_view();
        if (closed && inner.find_first_not_of(" \t\r\n") == std::string::npos) return 1;
        std::shared_ptr<const CompiledExpression> compiled;
        if (closed && g_nesting <= static_cast<int>(kOpStackSize)) compiled = CompileExpression(inner);
        if (!compiled || !compiled->ok) {
            WriteLog(r.thread_number, 3, "Error: Syntax error with " + expr + "\n");
            r.vars.set("CurExpression__", expr, 0);
            ReportError(r, "11010", r.out);
            return -1;
        }
        if (EvaluateCompiled(*compiled, value, r, row) != 1) return -1;
    }
    CutToSize(value, size);
    log_value(r, value);
    out = std::move(value);
    return 1;
}

}  // namespace kavr
