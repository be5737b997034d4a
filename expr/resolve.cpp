#include "expr/resolve.h"

#include "cgi/scopes.h"
#include "driver/core/charset.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/functions.h"
#include "expr/lexer.h"
#include "expr/reference_form.h"

namespace kavr {

namespace {

QueryColumnResolver g_query_column = nullptr;

void cut_into(const std::string& value, std::string& out, size_t size) {
    out.assign(CutView(value, size ? size - 1 : 0));
}

// scope "." member.
bool lookup_scoped(Request& r, const std::string& scope, const std::string& member, std::string& out) {
    const size_t size = kScopedValueSize;
    if (EqualsNoCase(scope, "cgi")) return CgiLookup(member, out, size);
    if (EqualsNoCase(scope, "url")) return UrlLookup(r.input, member, out, size);
    if (EqualsNoCase(scope, "form")) return FormLookup(r.input, member, out, size);
    if (EqualsNoCase(scope, "variables")) return r.vars.get(member, 0, out, size) == 1;
    if (EqualsNoCase(scope, "cookie")) return CookieLookup(r.input, member, out, size);
    return g_query_column && g_query_column(r, scope, member, out, size) == 1;
}

// A plain name: the current row, then the request scopes, then the
// template variables.
bool lookup_plain(Request& r, const RowView& row, const std::string& name, std::string& out, size_t size) {
    if (const std::string* v = row.find(name)) {
        cut_into(*v, out, size);
        return true;
    }
    return CgiLookup(name, out, size) || UrlLookup(r.input, name, out, size) ||
           FormLookup(r.input, name, out, size) || CookieLookup(r.input, name, out, size) ||
           r.vars.get(name, 0, out, size) == 1;
}

// name "[" index "]": the index is an expression.
bool lookup_element(Request& r, const RowView& row, const std::string& name, const std::string& index,
                    std::string& out, size_t size) {
    std::string value;
    if (compute_exp("#" + index + "#", value, kValueSize, r, row) != 1) return false;
    int i = 0;
    if (!ParseLeadingInt(value, i)) return false;
    return r.vars.get(name, i, out, size) == 1;
}

}  // namespace

void SetQueryColumnResolver(QueryColumnResolver resolver) { g_query_column = resolver; }

int ResolveReference(int token_class, std::string& text, size_t size, Request& r, const RowView& row,
                     const ReferenceForm* compiled) {
    if (token_class != kTokReference && (text.empty() || text[0] != '#')) return 1;
    std::string_view body = text;
    if (body.size() >= 2 && body.front() == '#' && body.back() == '#') body = body.substr(1, body.size() - 2);
    std::shared_ptr<const ReferenceForm> form;
    if (!compiled) form = CompileReference(body);
    const ReferenceForm& f = compiled ? *compiled : *form;
    std::string value;
    switch (f.kind) {
        case kRefNothing:
        case kRefBadIndex:
            return 0;
        case kRefScoped:
            if (!lookup_scoped(r, f.name, f.member, value)) return 0;
            cut_into(value, text, size);
            return 1;
        case kRefElement:
            if (!lookup_element(r, row, f.name, f.index, value, size)) return 0;
            text = std::move(value);
            return 1;
        case kRefName:
            break;
    }
    if (f.function_version != FunctionTableVersion()) {
        f.function = nullptr;
        f.is_function = FindFunction(f.name, &f.function);
        f.function_version = FunctionTableVersion();
    }
    if (f.is_function) {
        FunctionHandler handler = f.function;
        if (!handler) return 0;
        const std::string call_text(body);
        Lexer lex(call_text, kRefKeepDouble);
        lex.set_position(f.after_name);
        FunctionCall call{r, row, lex, f.name, call_text, value, size};
        if (!handler(call)) return 0;
        cut_into(value, text, size);
        return 1;
    }
    if (!lookup_plain(r, row, f.name, value, size)) return 0;
    text = std::move(value);
    return 1;
}

}  // namespace kavr
