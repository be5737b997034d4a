#include "checker/check_prescan.h"

#include "expr/lexer.h"

namespace kavr {

namespace {

bool is_punct(int cls, const std::string& token, const char* p) { return cls == kTokPunct && token == p; }

// The line feeds of a piece of text that is dropped.
void keep_line_feeds(std::string_view dropped, std::string& out) {
    for (char c : dropped)
        if (c == '\n') out += '\n';
}

}  // namespace

int PreScanForCheck(std::string_view raw, std::string& out, size_t* stop) {
    out.clear();
    Lexer lexer(raw, kRefHashIsChar);
    const std::string& text = lexer.text();
    std::string token;
    // Copies the text from start up to the lexer's position.
    auto copy_from = [&](size_t start) { out.append(text, start, lexer.position() - start); };

    for (;;) {
        size_t start = lexer.position();
        int cls = lexer.NextToken(token);
        if (cls == kTokEnd) {
            copy_from(start);  // trailing white space
            return 1;
        }
        if (!is_punct(cls, token, "<")) {
            copy_from(start);
            continue;
        }
        // "<": what follows decides. A token that is not part of a comment
        // opening is read again as the next token of the text.
        size_t after_lt = lexer.position();
        if (stop) *stop = after_lt - 1;
        cls = lexer.NextToken(token);
        if (cls == kTokEnd) return 0;
        if (!is_punct(cls, token, "!")) {
            out.append(text, start, after_lt - start);
            lexer.set_position(after_lt);
            continue;
        }
        size_t after_bang = lexer.position();
        if (lexer.NextToken(token) == kTokEnd) return 0;
        if (token != "-") {
            out.append(text, start, after_bang - start);
            lexer.set_position(after_bang);
            continue;
        }
        size_t after_dash = lexer.position();
        if (lexer.NextToken(token) == kTokEnd) return 0;
        if (token != "-") {
            out.append(text, start, after_dash - start);
            lexer.set_position(after_dash);
            continue;
        }
        // A comment: up to a ">" right after two or more "-".
        int dashes = 0;
        for (;;) {
            cls = lexer.NextToken(token);
            if (cls == kTokEnd) return 0;
            if (is_punct(cls, token, ">") && dashes >= 2) break;
            dashes = (cls == kTokMinus) ? dashes + 1 : 0;
        }
        keep_line_feeds(std::string_view(text).substr(start, lexer.position() - start), out);
    }
}

}  // namespace kavr
