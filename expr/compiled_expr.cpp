#include "expr/compiled_expr.h"

#include "driver/core/text_cache.h"

namespace kavr {

namespace {

CompiledExpression compile(std::string_view text) {
    CompiledExpression c;
    c.ok = ParseExpressionText(text, false, c.ops) == 1;
    if (!c.ok) c.ops.clear();
    // What an operand names is looked up as a reference: names get their
    // "#" here, once, and reference tokens already have them.
    c.references.resize(c.ops.size());
    for (size_t i = 0; i < c.ops.size(); ++i) {
        ExprNode& n = c.ops[i];
        if (n.kind != kNodeOperand && n.kind != kNodeUnary) n.comparison = ComparisonCode(n.op);
        if (n.kind != kNodeOperand || !n.needs_resolving) continue;
        bool is_reference = n.value.size() >= 2 && n.value.front() == '#' && n.value.back() == '#';
        if (!is_reference) n.value = "#" + n.value + "#";
        c.references[i] = CompileReference(std::string_view(n.value).substr(1, n.value.size() - 2));
    }
    return c;
}

// Expressions of a site are few and short; texts built from request
// values come and go without growing the cache past its bounds.
TextCache<CompiledExpression>& cache() {
    static TextCache<CompiledExpression> c(compile, 8192, 4u << 20);
    return c;
}

}  // namespace

std::shared_ptr<const CompiledExpression> CompileExpression(std::string_view text) {
    return cache().get(text);
}

}  // namespace kavr
