#include "template/body_scanner.h"

#include "driver/core/text_util.h"
#include "expr/lexer.h"

namespace kavr {

namespace {

// Reads the token that closes a tag (taken as its ">") and returns the
// position after it.
size_t skip_tag_end(Lexer& lexer) {
    std::string token;
    lexer.NextToken(token);
    return lexer.position();
}

bool is(const TagEvent& e, bool closing, std::string_view name) {
    return e.closing == closing && EqualsNoCase(e.name, name);
}

}  // namespace

int NextTagEvent(Lexer& lexer, TagEvent& event) {
    std::string token;
    for (;;) {
        if (lexer.NextToken(token) == kTokEnd) return 0;
        if (token != "<") continue;
        event.lt = lexer.position() - 1;
        if (lexer.NextToken(event.name) == kTokEnd) return 0;
        event.closing = event.name == "/";
        if (event.closing && lexer.NextToken(event.name) == kTokEnd) return 0;
        return 1;
    }
}

int ScanBody(Lexer& lexer, std::string_view tag, BodyRange& body) {
    body.begin = lexer.position();
    int depth = 0;
    TagEvent e;
    while (NextTagEvent(lexer, e)) {
        if (is(e, false, tag)) {
            ++depth;
        } else if (is(e, true, tag)) {
            if (depth-- > 0) continue;
            body.end = e.lt;
            body.after = skip_tag_end(lexer);
            return 1;
        }
    }
    return 0;
}

int ScanIfThen(Lexer& lexer, BodyRange& body) {
    body.begin = lexer.position();
    bool cut = false;
    int depth = 0;
    TagEvent e;
    while (NextTagEvent(lexer, e)) {
        if (is(e, false, "kavif")) {
            ++depth;
        } else if (is(e, true, "kavif")) {
            if (depth-- > 0) continue;
            if (!cut) body.end = e.lt;
            body.after = skip_tag_end(lexer);
            return 1;
        } else if (depth == 0 && !cut && (is(e, false, "kavelse") || is(e, false, "kavelseif"))) {
            body.end = e.lt;
            cut = true;
        }
    }
    return 0;
}

int ScanIfElse(Lexer& lexer, ElseKind& kind, BodyRange& body) {
    kind = kNoElse;
    int depth = 0;
    TagEvent e;
    while (NextTagEvent(lexer, e)) {
        if (is(e, false, "kavif")) {
            ++depth;
        } else if (is(e, true, "kavif")) {
            if (depth-- > 0) continue;
            if (kind == kNoElse) body.begin = e.lt;
            body.end = e.lt;
            body.after = skip_tag_end(lexer);
            return 1;
        } else if (depth == 0 && kind == kNoElse && is(e, false, "kavelseif")) {
            kind = kElseIf;
            return 1;
        } else if (depth == 0 && kind == kNoElse && is(e, false, "kavelse")) {
            kind = kElse;
            body.begin = skip_tag_end(lexer);
        }
    }
    if (kind == kElse && depth == 0) {
        // The text ended inside an else part: what it holds still runs.
        body.end = body.after = lexer.position();
        return 1;
    }
    return 0;
}

}  // namespace kavr
