// The compiled form of expression texts: each text is parsed once per
// process and then evaluated from its postfix list as often as it runs.
#pragma once
#include <memory>
#include <string>
#include <string_view>

#include "expr/eval_context.h"
#include "expr/parser.h"
#include "expr/reference_form.h"

namespace kavr {

struct Request;

struct CompiledExpression {
    bool ok = false;  // the text is one complete expression
    OpList ops;       // its postfix list when ok
    // For each operand to look up, what its reference names (in the order
    // of ops; null for the other nodes).
    std::vector<std::shared_ptr<const ReferenceForm>> references;
};

// The parsed form of an expression text (without its enclosing "#"), as
// ParseExpressionText gives it outside check mode.
std::shared_ptr<const CompiledExpression> CompileExpression(std::string_view text);

// Runs a compiled expression. 1 with the value in out, -1 on failure (a
// lookup or an operation failed and was reported where it failed).
int EvaluateCompiled(const CompiledExpression& expr, std::string& out, Request& request, const RowView& row);

}  // namespace kavr
