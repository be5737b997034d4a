// The evaluator: runs an expression's postfix list on a stack of values.
// Operands point into the compiled list until they are looked up or
// computed, so a run copies no text it does not change.
#include <deque>
#include <string>
#include <vector>

#include "expr/compiled_expr.h"
#include "expr/evaluator.h"
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
    const std::string* written = nullptr;  // the operand as compiled, until it changes
    const ReferenceForm* form = nullptr;   // what the operand names, compiled with it
    std::string own;

    const std::string& text() const { return written ? *written : own; }
    void set(std::string t) {
        own = std::move(t);
        written = nullptr;
        form = nullptr;
    }
};

// Evaluation stacks, one per level of nesting (function arguments and
// element indexes evaluate inside an evaluation), kept for the next
// evaluation so that their storage is not made again each time. They hold
// nothing between evaluations.
std::deque<std::vector<Value>>& stacks() {
    static std::deque<std::vector<Value>> s;
    return s;
}
size_t g_depth = 0;

class Evaluator {
public:
    Evaluator(Request& r, const RowView& row) : r_(r), row_(row), depth_(g_depth++) {
        if (stacks().size() <= depth_) stacks().resize(depth_ + 1);
    }
    ~Evaluator() {
        stacks()[depth_].clear();
        --g_depth;
    }
    Evaluator(const Evaluator&) = delete;
    Evaluator& operator=(const Evaluator&) = delete;

    int run(const CompiledExpression& expr, std::string& out) {
        std::vector<Value>& stack_ = stacks()[depth_];
        stack_.clear();
        for (size_t i = 0; i < expr.ops.size(); ++i) {
            const ExprNode& n = expr.ops[i];
            if (n.kind == kNodeOperand) {
                stack_.emplace_back();
                Value& v = stack_.back();
                v.needs_resolving = n.needs_resolving;
                v.written = &n.value;
                v.form = expr.references[i].get();
                continue;
            }
            if (n.kind == kNodeUnary) {
                if (stack_.empty()) return -1;
                if (!unary(n.op, stack_.back())) return -1;
                continue;
            }
            if (stack_.size() < 2) return -1;
            Value right = std::move(stack_.back());
            stack_.pop_back();
            if (!binary(n, stack_.back(), right)) return -1;
        }
        if (stack_.size() != 1) return -1;
        Value& v = stack_.front();
        if (v.kind != kNodeOperand) {
            out = v.kind == kNodeTrue ? "1" : "0";
            return 1;
        }
        if (!resolve(v)) return -1;
        out = StripQuotes(v.text());
        return 1;
    }

private:
    bool resolve(Value& v) {
        if (v.kind == kNodeTrue || v.kind == kNodeFalse) {
            v.set(v.kind == kNodeTrue ? "1" : "0");
            return true;
        }
        if (!v.needs_resolving) return true;
        // Operands to look up were compiled into their "#...#" form.
        std::string value;
        if (!LookupValue(v.text(), value, kValueSize, r_, row_, v.form)) return false;
        v.set(std::move(value));
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
        result = v.text().empty() ? empty_is : !CompareValues(v.text(), "0", kCmpEqual);
        return true;
    }

    static void set_truth(Value& v, bool t) {
        v.kind = t ? kNodeTrue : kNodeFalse;
        v.needs_resolving = false;
        v.set(t ? "1" : "0");
    }

    static void set_literal(Value& v, std::string text) {
        v.kind = kNodeOperand;
        v.needs_resolving = false;
        v.set(std::move(text));
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
            v.kind = kNodeOperand;
            return true;
        }
        std::string result;
        if (!Arithmetic(r_, "-", "0", v.text(), result)) return false;
        set_literal(v, std::move(result));
        return true;
    }

    bool binary(const ExprNode& node, Value& left, Value& right) {
        const std::string& op = node.op;
        if (op == "&&" || op == "||") {
            bool a, b;
            if (!truth(left, true, a) || !truth(right, true, b)) return false;
            set_truth(left, op == "&&" ? (a && b) : (a || b));
            return true;
        }
        if (!resolve(left) || !resolve(right)) return false;
        if (int code = node.comparison) {
            set_truth(left, CompareValues(left.text(), right.text(), code) != 0);
            return true;
        }
        std::string result;
        if (!Arithmetic(r_, op, left.text(), right.text(), result)) return false;
        cut(result, kValueSize);
        set_literal(left, std::move(result));
        return true;
    }

    Request& r_;
    const RowView& row_;
    size_t depth_;
};

}  // namespace

int EvaluateCompiled(const CompiledExpression& expr, std::string& out, Request& request, const RowView& row) {
    Evaluator ev(request, row);
    return ev.run(expr, out);
}

}  // namespace kavr
