#include "expr/parser.h"

#include <iterator>

#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "platform/std_streams.h"

namespace kavr {

namespace {

void stdout_sink(std::string_view message) { platform::stdout_write(message); }

CheckMessageSink g_check_sink = stdout_sink;

// Which names check mode accepts as functions: the function table's,
// installed by the layer that holds it. Until then no name is known.
CheckFunctionNames g_function_names = nullptr;

struct Item {
    int cls = kTokEnd;
    std::string text;
    std::string ws;
};

// A stack entry: an operand or finished group (its postfix nodes), an
// operator (one node) or an open parenthesis.
struct Entry {
    int kind;
    int priority;
    OpList nodes;
};

bool is_value(const Entry& e) { return e.kind == kNodeOperand || e.kind == kNodeGroup; }

class Parser {
public:
    explicit Parser(Lexer& lexer) : lex_(lexer) {}

    int parse(OpList& out, int* next_class, std::string* next_text) {
        advance();
        bool ok = expression() && finish();
        if (next_class) *next_class = cur_.cls;
        if (next_text) *next_text = cur_.text;
        if (!ok) return 0;
        out = std::move(stack_.front().nodes);
        return 1;
    }

private:
    void advance() {
        cur_.cls = lex_.ReadItem(true, cur_.text);
        cur_.ws = lex_.whitespace();
    }

    bool is_punct(const char* p) const { return cur_.cls == kTokPunct && cur_.text == p; }

    bool push(Entry e) {
        if (stack_.size() >= kOpStackSize) return false;
        stack_.push_back(std::move(e));
        return true;
    }

    // Replaces the operator at i and its operands by one group.
    void reduce(size_t i) {
        Entry& op = stack_[i];
        if (op.kind == kNodeBinary) {
            Entry group = std::move(stack_[i - 1]);
            group.kind = kNodeGroup;
            group.priority = -1;
            OpList& right = stack_[i + 1].nodes;
            group.nodes.insert(group.nodes.end(), std::make_move_iterator(right.begin()),
                               std::make_move_iterator(right.end()));
            group.nodes.push_back(std::move(op.nodes.front()));
            stack_.erase(stack_.begin() + static_cast<long>(i), stack_.begin() + static_cast<long>(i) + 2);
            stack_[i - 1] = std::move(group);
        } else {
            Entry group = std::move(stack_[i + 1]);
            group.kind = kNodeGroup;
            group.priority = -1;
            group.nodes.push_back(std::move(op.nodes.front()));
            stack_.erase(stack_.begin() + static_cast<long>(i) + 1);
            stack_[i] = std::move(group);
        }
    }

    bool reducible(size_t i) const {
        const Entry& e = stack_[i];
        if (e.kind != kNodeUnary && e.kind != kNodeBinary) return false;
        if (i + 1 >= stack_.size() || !is_value(stack_[i + 1])) return false;
        return e.kind == kNodeUnary || (i > 0 && is_value(stack_[i - 1]));
    }

    // Reduces, from the top down to the nearest "(", every operator whose
    // priority is at least min_priority; restarts after each reduction.
    void reduce_down_to(int min_priority) {
        for (bool again = true; again;) {
            again = false;
            for (size_t i = stack_.size(); i-- > 0;) {
                if (stack_[i].kind == kNodeOpen) break;
                if (stack_[i].priority >= min_priority && reducible(i)) {
                    reduce(i);
                    again = true;
                    break;
                }
            }
        }
    }

    bool push_operator(int kind, std::string op, int priority) {
        reduce_down_to(priority);
        ExprNode n;
        n.kind = kind;
        n.priority = priority;
        n.op = std::move(op);
        return push(Entry{kind, priority, OpList{std::move(n)}});
    }

    bool push_operand(std::string value, bool needs_resolving) {
        ExprNode n;
        n.kind = kNodeOperand;
        n.needs_resolving = needs_resolving;
        n.value = std::move(value);
        return push(Entry{kNodeOperand, -1, OpList{std::move(n)}});
    }

    // The stack must come down to one value.
    bool finish() {
        reduce_down_to(-1000);
        return stack_.size() == 1 && is_value(stack_.front());
    }

    bool close_paren() {
        reduce_down_to(-1000);
        if (stack_.size() < 2 || !is_value(stack_.back()) || stack_[stack_.size() - 2].kind != kNodeOpen)
            return false;
        Entry inner = std::move(stack_.back());
        inner.kind = kNodeGroup;
        stack_.pop_back();
        stack_.back() = std::move(inner);
        return true;
    }

    // Binary operators allowed between expressions, with their priority.
    bool tail_operator(std::string& op, int& priority) const {
        if (ComparisonCode(cur_.text) != 0 &&
            (cur_.cls == kTokOperator || cur_.cls == kTokNotEqual || cur_.cls == kTokPunct ||
             cur_.cls == kTokIdent)) {
            op = cur_.text;
            priority = kPrioCompare;
            return true;
        }
        if (cur_.cls == kTokPlus || cur_.cls == kTokMinus || is_punct("&")) {
            op = cur_.text;
            priority = kPrioSum;
            return true;
        }
        if (cur_.cls == kTokOperator && (cur_.text == "*" || cur_.text == "/" || cur_.text == "%")) {
            op = cur_.text;
            priority = kPrioProduct;
            return true;
        }
        if (cur_.cls == kTokOperator && cur_.text == "^") {
            op = cur_.text;
            priority = kPrioPower;
            return true;
        }
        return false;
    }

    bool is_comparison() const {
        std::string op;
        int priority;
        return tail_operator(op, priority) && priority == kPrioCompare;
    }

    bool expression() {
        if (!and_expression()) return false;
        for (;;) {
            std::string op;
            int priority;
            if (cur_.cls == kTokOr) {
                op = "||";
                priority = kPrioOr;
            } else if (!tail_operator(op, priority)) {
                return true;
            }
            if (!push_operator(kNodeBinary, op, priority)) return false;
            advance();
            if (!and_expression()) return false;
        }
    }

    bool and_expression() {
        if (!not_expression()) return false;
        while (cur_.cls == kTokAnd) {
            if (!push_operator(kNodeBinary, "&&", kPrioAnd)) return false;
            advance();
            if (!not_expression()) return false;
        }
        return true;
    }

    bool not_expression() {
        if (cur_.cls == kTokNot || is_punct("!")) {
            if (!push_operator(kNodeUnary, "!", kPrioNot)) return false;
            advance();
        }
        return group_or_comparison();
    }

    bool group_or_comparison() {
        if (is_punct("(")) return group();
        if (!sum()) return false;
        if (is_comparison()) {
            if (!push_operator(kNodeBinary, cur_.text, kPrioCompare)) return false;
            advance();
            return sum();
        }
        return true;
    }

    bool group() {
        if (!push(Entry{kNodeOpen, kPrioParen, {}})) return false;
        advance();
        if (!expression()) return false;
        if (!is_punct(")") || !close_paren()) return false;
        advance();
        return true;
    }

    bool sum() {
        if (!product()) return false;
        while (cur_.cls == kTokPlus || cur_.cls == kTokMinus || is_punct("&")) {
            if (!push_operator(kNodeBinary, cur_.text, kPrioSum)) return false;
            advance();
            if (!product()) return false;
        }
        return true;
    }

    bool product() {
        if (!signed_operand()) return false;
        while (cur_.cls == kTokOperator &&
               (cur_.text == "*" || cur_.text == "/" || cur_.text == "%" || cur_.text == "^")) {
            int priority = cur_.text == "^" ? kPrioPower : kPrioProduct;
            if (!push_operator(kNodeBinary, cur_.text, priority)) return false;
            advance();
            if (!signed_operand()) return false;
        }
        return true;
    }

    bool signed_operand() {
        if (cur_.cls == kTokPlus || cur_.cls == kTokMinus) {
            if (!push_operator(kNodeUnary, cur_.text, kPrioSign)) return false;
            advance();
        }
        return primary();
    }

    bool primary() {
        if (is_punct("(")) return group();
        return operand();
    }

    // Appends tokens up to the bracket that closes the one just read; the
    // call and index texts keep doubled quotes so they can be read again.
    bool append_bracketed(std::string& text, const char* open, const char* close) {
        bool saved = lex_.keep_doubled_quotes();
        lex_.set_keep_doubled_quotes(true);
        int depth = 1;
        bool ok = false;
        for (;;) {
            advance();
            if (cur_.cls == kTokEnd) break;
            text += cur_.ws;
            text += cur_.text;
            // Nesting inside a call or index is bounded like the op stack.
            if (is_punct(open) && ++depth > static_cast<int>(kOpStackSize)) break;
            if (is_punct(close) && --depth == 0) {
                ok = true;
                break;
            }
        }
        lex_.set_keep_doubled_quotes(saved);
        if (ok) advance();
        return ok;
    }

    bool operand() {
        int cls = cur_.cls;
        if (cls == kTokNumber || cls == kTokString) {
            bool ok = push_operand(cur_.text, false);
            advance();
            return ok;
        }
        if (cls == kTokReference) {
            bool ok = push_operand(cur_.text, true);
            advance();
            return ok;
        }
        if (cls != kTokIdent && cls != kTokOther) return false;
        std::string text = cur_.text;
        advance();
        if (is_punct("(")) {
            if (lex_.check_mode() && (cls != kTokIdent || !(g_function_names && g_function_names(text)))) {
                g_check_sink("Illegal function name: " + text + "\n");
                return false;
            }
            text += "(";
            if (!append_bracketed(text, "(", ")")) return false;
        } else if (is_punct(".")) {
            advance();
            if (cur_.cls != kTokIdent && cur_.cls != kTokNumber && cur_.cls != kTokOther) return false;
            text += ".";
            text += cur_.text;
            advance();
        } else if (is_punct("[")) {
            if (lex_.check_mode() && cls != kTokIdent) return false;
            text += "[";
            if (!append_bracketed(text, "[", "]")) return false;
        }
        return push_operand(std::move(text), true);
    }

    Lexer& lex_;
    Item cur_;
    std::vector<Entry> stack_;
};

}  // namespace

int ComparisonCode(std::string_view op) {
    if (op == "=") return 1;
    if (op == "!=") return 4;
    if (op == "?") return 7;
    if (op == "!?") return 8;
    if (op == "=$") return 11;
    if (op == "!=$") return 41;
    struct Word {
        const char* word;
        int code;
    };
    static const Word kWords[] = {{"eq", 1},  {"gt", 2},      {"lt", 3},         {"ne", 4},
                                  {"gte", 5}, {"lte", 6},     {"contain", 7},    {"notcontain", 8},
                                  {"eqs", 11}, {"nes", 41}};
    for (const Word& w : kWords)
        if (EqualsNoCase(op, w.word)) return w.code;
    return 0;
}

void SetCheckFunctionNames(CheckFunctionNames known) { g_function_names = known; }

void SetCheckMessageSink(CheckMessageSink sink) { g_check_sink = sink ? sink : stdout_sink; }

int ParseExpression(Lexer& lexer, OpList& out, int* next_class, std::string* next_text) {
    Parser parser(lexer);
    return parser.parse(out, next_class, next_text);
}

int ParseExpressionText(std::string_view expr, bool check_mode, OpList& out) {
    Lexer lexer(expr, kRefKeepDouble);
    lexer.set_check_mode(check_mode);
    int next_class = kTokEnd;
    std::string next_text;
    if (!ParseExpression(lexer, out, &next_class, &next_text)) return 0;
    // Input that ends inside a reference leaves its text behind: not an end.
    if (next_class == kTokEnd) return next_text.empty() || next_text == "#" ? 1 : 0;
    if (next_text == "#") {
        // A lone "#" may end the text, nothing after it.
        std::string rest;
        return lexer.NextToken(rest) == kTokEnd ? 1 : 0;
    }
    return 0;
}

bool CheckExpression(std::string_view expr) { return CheckExpression(expr, false); }

bool CheckExpression(std::string_view expr, bool check_mode) {
    OpList list;
    return ParseExpressionText(expr, check_mode, list) == 1;
}

}  // namespace kavr
