#include <string>
#include <vector>

#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "expr/evaluator.h"
#include "expr/parser.h"
#include "expr/values.h"
#include "expr/variables.h"

namespace kavr {

namespace {

void cut(std::string& s, size_t size) {
    size_t keep = size ? size - 1 : 0;
    if (s.size() > keep) s.resize(keep);
}

// A value on the evaluation stack: an operand (literal or still to be
// looked up) or a truth value.
struct Value {
    int kind = kNodeOperand;
    bool needs_resolving = false;
    std::string text;
};

class Evaluator {
public:
    Evaluator(Request& r, const RowView& row) : r_(r), row_(row) {}

    // 1 with the value in out, -1 on failure.
    int run(const OpList& list, std::string& out) {
        std::vector<Value> stack;
        for (const ExprNode& n : list) {
            if (n.kind == kNodeOperand) {
                stack.push_back(Value{kNodeOperand, n.needs_resolving, n.value});
                continue;
            }
            if (n.kind == kNodeUnary) {
                if (stack.empty()) return -1;
                if (!unary(n.op, stack.back())) return -1;
                continue;
            }
            if (stack.size() < 2) return -1;
            Value right = std::move(stack.back());
            stack.pop_back();
            if (!binary(n.op, stack.back(), right)) return -1;
        }
        if (stack.size() != 1) return -1;
        Value& v = stack.front();
        if (v.kind != kNodeOperand) {
            out = v.kind == kNodeTrue ? "1" : "0";
            return 1;
        }
        if (!resolve(v)) return -1;
        out = StripQuotes(v.text);
        return 1;
    }

private:
    bool resolve(Value& v) {
        if (v.kind == kNodeTrue || v.kind == kNodeFalse) {
            v.text = v.kind == kNodeTrue ? "1" : "0";
            return true;
        }
        if (!v.needs_resolving) return true;
        // A reference token is already "#...#"; names get their "#" here.
        bool is_reference = v.text.size() >= 2 && v.text.front() == '#' && v.text.back() == '#';
        std::string ref = is_reference ? v.text : "#" + v.text + "#";
        std::string value;
        if (!LookupValue(ref, value, kValueSize, r_, row_)) return false;
        v.text = std::move(value);
        v.needs_resolving = false;
        return true;
    }

    // Truth of an operand; the empty text counts as empty_is.
    bool truth(Value& v, bool empty_is, bool& result) {
        if (v.kind == kNodeTrue || v.kind == kNodeFalse) {
            result = v.kind == kNodeTrue;
            return true;
        }
        if (!resolve(v)) return false;
        result = v.text.empty() ? empty_is : !CompareValues(v.text, "0", kCmpEqual);
        return true;
    }

    static void set_truth(Value& v, bool t) {
        v.kind = t ? kNodeTrue : kNodeFalse;
        v.needs_resolving = false;
        v.text = t ? "1" : "0";
    }

    static void set_literal(Value& v, std::string text) {
        v.kind = kNodeOperand;
        v.needs_resolving = false;
        v.text = std::move(text);
    }

    bool unary(const std::string& op, Value& v) {
        if (op == "!") {
            bool t;
            if (!truth(v, false, t)) return false;
            set_truth(v, !t);
            return true;
        }
        if (!resolve(v)) return false;
        if (op == "+") {
            set_literal(v, v.text);
            return true;
        }
        std::string result;
        if (!Arithmetic(r_, "-", "0", v.text, result)) return false;
        set_literal(v, std::move(result));
        return true;
    }

    bool binary(const std::string& op, Value& left, Value& right) {
        if (op == "&&" || op == "||") {
            bool a, b;
            if (!truth(left, true, a) || !truth(right, true, b)) return false;
            set_truth(left, op == "&&" ? (a && b) : (a || b));
            return true;
        }
        if (!resolve(left) || !resolve(right)) return false;
        if (int code = ComparisonCode(op)) {
            set_truth(left, CompareValues(left.text, right.text, code) != 0);
            return true;
        }
        std::string result;
        if (!Arithmetic(r_, op, left.text, right.text, result)) return false;
        cut(result, kValueSize);
        set_literal(left, std::move(result));
        return true;
    }

    Request& r_;
    const RowView& row_;
};

// Function arguments and element indexes are expressions of their own, so
// evaluation nests; the nesting is bounded like the op stack.
int g_nesting = 0;

struct NestingGuard {
    NestingGuard() { ++g_nesting; }
    ~NestingGuard() { --g_nesting; }
};

}  // namespace

int compute_exp(const std::string& expr, std::string& out, size_t size, Request& r, const RowView& row) {
    WriteLog(r.thread_number, 1, "In compute_exp, exp=" + expr + "\n");
    std::string value;
    if (expr.empty() || expr[0] != '#') {
        value = StripQuotes(expr);
    } else {
        NestingGuard nesting;
        OpList list;
        bool closed = expr.size() >= 2 && expr.back() == '#';
        std::string inner = closed ? expr.substr(1, expr.size() - 2) : std::string();
        if (closed && inner.find_first_not_of(" \t\r\n") == std::string::npos) return 1;
        if (!closed || g_nesting > static_cast<int>(kOpStackSize) || !ParseExpressionText(inner, false, list)) {
            WriteLog(r.thread_number, 3, "Error: Syntax error with " + expr + "\n");
            ReportError(r, "11010", r.out);
            return -1;
        }
        Evaluator ev(r, row);
        if (ev.run(list, value) != 1) return -1;
    }
    cut(value, size);
    WriteLog(r.thread_number, 1, "the exp's value=" + value + "\n");
    out = std::move(value);
    return 1;
}

}  // namespace kavr
