#include "checker/value_check.h"

#include "expr/lexer.h"
#include "expr/parser.h"
#include "expr/variables.h"

namespace kavr {

bool ReferenceParses(const std::string& reference) {
    if (reference.size() < 2 || reference.front() != '#' || reference.back() != '#') return false;
    return CheckExpression(std::string_view(reference).substr(1, reference.size() - 2), true);
}

namespace {

// The attribute expander evaluates every reference inside a quoted value;
// each must parse. Text that only looks like the start of a reference (a
// lone "#" with no closing one) is left as text by the expander too.
bool references_in_string_parse(const std::string& quoted) {
    std::string_view inner(quoted);
    if (inner.size() >= 2 && inner.front() == '"' && inner.back() == '"') inner = inner.substr(1, inner.size() - 2);
    Lexer lexer(inner, kRefKeepDouble);
    std::string token;
    bool ok = true;
    for (int cls; (cls = lexer.NextToken(token)) != kTokEnd;)
        if (cls == kTokReference && !ReferenceParses(token)) ok = false;
    return ok;
}

}  // namespace

bool ValueParses(int token_class, const std::string& item) {
    if (token_class == kTokReference && item.size() >= 2 && item.front() == '#') return ReferenceParses(item);
    // A quoted string is a literal however it reads inside (doubled quotes
    // have already become single ones).
    if (token_class == kTokString) return references_in_string_parse(item);
    return CheckExpression(item, true);
}

bool IsVariableForm(const std::string& item, bool plain_only) {
    NameForm form = ClassifyNameForm(item);
    switch (form.kind) {
        case kNamePlain:
            return true;
        case kNameList:
            return !plain_only;
        case kNameElement:
            return !plain_only && CheckExpression(form.index_expr, true);
        default:
            return false;
    }
}

}  // namespace kavr
