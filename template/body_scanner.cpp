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

// A scan through the lexer's tape: where a construct's parts lie is found
// once per position and limit, and replayed every time the construct runs
// again (a loop inside a loop). result is what scan returned, with extra
// (a kind) folded into it.
template <typename Scan>
int taped_scan(Lexer& lexer, TapeOp op, std::string_view tag, BodyRange& body, Scan scan) {
    TokenTape* tape = lexer.tape();
    if (!tape) return scan();
    std::string key_name = ToLower(tag);
    uint32_t name_hash = static_cast<uint32_t>(std::hash<std::string>()(key_name)) & 0x0FFFFFFFu;
    TapeKey key = lexer.tape_key(op, name_hash);
    if (const TapeRecord* rec = tape->find(key); rec && rec->text == key_name) {
        body.begin = rec->a;
        body.end = rec->b;
        body.after = rec->c;
        lexer.replay_state(rec->after);
        return rec->result;
    }
    TapeRecord rec;
    rec.result = scan();
    rec.text = std::move(key_name);
    rec.a = body.begin;
    rec.b = body.end;
    rec.c = body.after;
    lexer.save_state(rec.after);
    int result = rec.result;
    tape->store(key, std::move(rec));
    return result;
}

int next_tag_event(Lexer& lexer, TagEvent& event);

}  // namespace

int NextTagEvent(Lexer& lexer, TagEvent& event) {
    // A tag event is found once per position (and limit and mode) of the
    // lexer's tape. Only events found are kept: the end of the text leaves
    // the event as the reading left it, which depends on what it held.
    TokenTape* tape = lexer.tape();
    if (!tape) return next_tag_event(lexer, event);
    TapeKey key = lexer.tape_key(kTapeNextTagEvent);
    if (const TapeRecord* rec = tape->find(key)) {
        event.name = rec->text;
        event.lt = rec->a;
        event.closing = rec->b != 0;
        lexer.replay_state(rec->after);
        return rec->result;
    }
    TapeRecord rec;
    int result = rec.result = next_tag_event(lexer, event);
    if (!result) return 0;
    rec.text = event.name;
    rec.a = event.lt;
    rec.b = event.closing ? 1 : 0;
    lexer.save_state(rec.after);
    tape->store(key, std::move(rec));
    return result;
}

namespace {

int next_tag_event(Lexer& lexer, TagEvent& event) {
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


int scan_body(Lexer& lexer, std::string_view tag, BodyRange& body) {
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

int scan_if_then(Lexer& lexer, BodyRange& body) {
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

int scan_if_else(Lexer& lexer, ElseKind& kind, BodyRange& body) {
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

}  // namespace

int ScanBody(Lexer& lexer, std::string_view tag, BodyRange& body) {
    return taped_scan(lexer, kTapeScanBody, tag, body, [&] { return scan_body(lexer, tag, body); });
}

int ScanIfThen(Lexer& lexer, BodyRange& body) {
    return taped_scan(lexer, kTapeScanIfThen, "", body, [&] { return scan_if_then(lexer, body); });
}

int ScanIfElse(Lexer& lexer, ElseKind& kind, BodyRange& body) {
    int folded = taped_scan(lexer, kTapeScanIfElse, "", body, [&] {
        int rc = scan_if_else(lexer, kind, body);
        return rc * 4 + static_cast<int>(kind);
    });
    kind = static_cast<ElseKind>(folded % 4);
    return folded / 4;
}

}  // namespace kavr
