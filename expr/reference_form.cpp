#include "expr/reference_form.h"

#include "driver/core/text_cache.h"
#include "expr/lexer.h"

namespace kavr {

namespace {

ReferenceForm compile(std::string_view body) {
    ReferenceForm f;
    Lexer lex(body, kRefKeepDouble);
    std::string second;
    if (lex.NextToken(f.name) == kTokEnd) return f;
    size_t name_end = lex.position();
    int second_class = lex.NextToken(second);
    if (second_class == kTokPunct && second == ".") {
        if (lex.NextToken(f.member) != kTokEnd) f.kind = kRefScoped;
        return f;
    }
    if (second_class == kTokPunct && second == "[") {
        std::string tok;
        f.kind = kRefBadIndex;
        for (int depth = 1;;) {
            int cls = lex.NextToken(tok);
            if (cls == kTokEnd) return f;
            if (cls == kTokPunct && tok == "[") ++depth;
            if (cls == kTokPunct && tok == "]" && --depth == 0) break;
            if (!f.index.empty()) f.index += lex.whitespace();
            f.index += tok;
        }
        f.kind = kRefElement;
        return f;
    }
    f.kind = kRefName;
    // A function reads on from just after its name; with nothing after the
    // name it starts at the end of the text.
    f.after_name = second_class == kTokEnd ? lex.position() : name_end;
    return f;
}

TextCache<ReferenceForm>& cache() {
    static TextCache<ReferenceForm> c(compile, 8192, 4u << 20);
    return c;
}

}  // namespace

std::shared_ptr<const ReferenceForm> CompileReference(std::string_view body) { return cache().get(body); }

}  // namespace kavr
