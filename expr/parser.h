// The expression grammar: recursive descent over the lexer's items, with an
// operator stack that orders operands and operators by priority and leaves
// the expression in postfix order. CheckExpression only parses; the
// evaluator runs the postfix list.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kavr {

class Lexer;

enum ExprNodeKind : int {
    kNodeOperand = 0,
    kNodeUnary = 1,
    kNodeBinary = 2,
    kNodeOpen = 10,
    kNodeClose = 11,
    kNodeGroup = -1,
    kNodeTrue = -2,   // truth values made during evaluation
    kNodeFalse = -3,
};

// Operator priorities.
constexpr int kPrioOr = 4, kPrioAnd = 6, kPrioNot = 8, kPrioCompare = 10, kPrioSum = 12,
              kPrioProduct = 14, kPrioSign = 16, kPrioPower = 18, kPrioParen = 100;

struct ExprNode {
    int kind = kNodeOperand;
    int priority = -1;
    bool needs_resolving = false;  // a name, scoped name, element or call; not a literal
    std::string op;                // "&&", "||", "!" for every spelling; others as written
    std::string value;             // the operand as written
    int comparison = 0;            // a binary node's ComparisonCode, set when compiled
};

using OpList = std::vector<ExprNode>;

// Live entries of the operator stack; an expression that needs more is a
// syntax error rather than a deeper recursion.
constexpr size_t kOpStackSize = 257;

// Parses one expression from the lexer's current position into postfix
// order. On return *next holds the first item after the expression (class
// and text) so the caller can test what follows. 1 on success, 0 on a
// syntax error.
int ParseExpression(Lexer& lexer, OpList& out, int* next_class, std::string* next_text);

// Parses a whole expression text (without its enclosing "#"): it must be
// one expression followed by nothing or by a lone "#". Empty text gives an
// empty list and fails.
int ParseExpressionText(std::string_view expr, bool check_mode, OpList& out);

// True when expr is one complete expression.
bool CheckExpression(std::string_view expr);
// The same; with check_mode, calls of functions the engine does not know
// and array elements of names that are not identifiers fail too.
bool CheckExpression(std::string_view expr, bool check_mode);

// The names check mode accepts as function calls: the engine's function
// table, which lies above this layer, installs its lookup.
using CheckFunctionNames = bool (*)(std::string_view name);
void SetCheckFunctionNames(CheckFunctionNames known);

// Where check mode writes "Illegal function name: %s\n"; standard output
// unless a caller installs its own sink.
using CheckMessageSink = void (*)(std::string_view message);
void SetCheckMessageSink(CheckMessageSink sink);

// Comparison operator written as text (symbol or word), with its code for
// CompareValues; 0 when the text is not a comparison operator.
int ComparisonCode(std::string_view op);

}  // namespace kavr
