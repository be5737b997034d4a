#include "expr/text_pieces.h"

#include "driver/core/text_cache.h"
#include "expr/compiled_expr.h"
#include "expr/lexer.h"
#include "expr/reference_form.h"

namespace kavr {

namespace {

void literal(SplitText& s, std::string_view text) {
    if (text.empty()) return;
    if (s.pieces.empty() || s.pieces.back().reference) s.pieces.push_back(TextPiece());
    s.pieces.back().text.append(text);
}

void reference(SplitText& s, const std::string& token) { s.pieces.push_back(TextPiece{true, token, {}, {}}); }

// What a row text's reference names, when it is a lone plain name: its
// expression is one operand to look up, and that operand is the name.
void name_of_reference(TextPiece& piece) {
    const std::string& t = piece.text;
    if (t.size() < 3 || t.front() != '#' || t.back() != '#') return;
    std::shared_ptr<const CompiledExpression> e = CompileExpression(std::string_view(t).substr(1, t.size() - 2));
    if (!e->ok || e->ops.size() != 1) return;
    const ExprNode& n = e->ops[0];
    if (n.kind != kNodeOperand || !n.needs_resolving || n.value.size() < 3) return;
    std::string_view body = std::string_view(n.value).substr(1, n.value.size() - 2);
    std::shared_ptr<const ReferenceForm> f = CompileReference(body);
    if (f->kind != kRefName || f->name != body) return;
    piece.name = f->name;
    piece.operand = n.value;
}

// The key of an attribute text starts with its reference mode.
SplitText split_attribute(std::string_view key) {
    SplitText s;
    Lexer lex(key.substr(1), static_cast<signed char>(key[0]));
    std::string tok;
    for (;;) {
        int cls = lex.NextToken(tok);
        literal(s, lex.whitespace());
        if (cls == kTokEnd) {
            literal(s, tok);
            return s;
        }
        if (cls == kTokReference)
            reference(s, tok);
        else
            literal(s, tok);
    }
}

SplitText split_row(std::string_view text) {
    SplitText s;
    Lexer lex(text, kRefCollapse);
    std::string tok;
    bool quote_open = false;  // the last literal piece was a lone quote mark
    for (;;) {
        int cls = lex.NextToken(tok);
        literal(s, lex.whitespace());
        if (cls == kTokEnd) {
            literal(s, tok);
            return s;
        }
        if (cls == kTokReference) {
            reference(s, tok);
            name_of_reference(s.pieces.back());
            quote_open = false;
            continue;
        }
        if (tok == "\"") {
            if (quote_open && lex.whitespace().empty()) {
                quote_open = false;
                continue;
            }
            quote_open = true;
        } else {
            quote_open = false;
        }
        literal(s, tok);
    }
}

}  // namespace

std::shared_ptr<const SplitText> SplitAttributeText(std::string_view text, signed char reference_mode) {
    static TextCache<SplitText> cache(split_attribute, 4096, 4u << 20);
    std::string key(1, static_cast<char>(reference_mode));
    key.append(text);
    return cache.get(key);
}

std::shared_ptr<const SplitText> SplitRowText(std::string_view text) {
    static TextCache<SplitText> cache(split_row, 4096, 4u << 20);
    return cache.get(text);
}

}  // namespace kavr
