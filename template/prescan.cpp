#include "template/prescan.h"

#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "platform/file.h"

namespace kavr {

namespace {

struct Token {
    int cls = kTokEnd;
    std::string text;
    std::string ws;  // white space read before it
    int line = 0;    // 0-based line of its start (file sources)
};

bool read(Lexer& lexer, Token& t) {
    t.cls = lexer.NextToken(t.text);
    t.ws = lexer.whitespace();
    if (lexer.text().empty()) t.line = lexer.line();
    return t.cls != kTokEnd;
}

bool needs_late_header(const std::string& name) {
    return EqualsNoCase(name, "kavinclude") || EqualsNoCase(name, "kavlocation") ||
           EqualsNoCase(name, "kavcookie");
}

// Skips a comment's tokens up to a ">" that follows two or more "-".
bool skip_comment(Lexer& lexer) {
    Token t;
    int dashes = 0;
    while (read(lexer, t)) {
        if (t.text == ">" && dashes >= 2) return true;
        dashes = t.text == "-" ? dashes + 1 : 0;
    }
    return false;
}

}  // namespace

int PreScan(Request& request, Lexer& lexer, std::string& text, std::vector<LineMark>* marks) {
    lexer.set_reference_mode(kRefHashIsChar);
    text.clear();
    if (marks) marks->clear();
    Token t, next;
    std::string plain;
    bool pending = false;  // t already holds the token to look at
    // Line feeds are lost with a comment and with white space beyond the
    // lexer's limit: what follows either is marked with its line.
    auto add_ws = [&](const Token& tok) {
        text += tok.ws;
        if (marks && tok.ws.size() >= Lexer::kMaxWhitespace) marks->push_back(LineMark{text.size(), tok.line});
    };
    for (;;) {
        if (!pending) {
            // Text up to the next "<" is copied in one piece.
            lexer.ReadPlainText(plain);
            text += plain;
            if (!read(lexer, t)) return 1;
        }
        pending = false;
        if (t.text != "<") {
            add_ws(t);
            text += t.text;
            continue;
        }
        add_ws(t);
        text += '<';
        if (!read(lexer, next)) return 0;
        if (next.text == "!") {
            Token dash;
            if (!read(lexer, dash)) return 0;
            if (dash.text == "-") {
                Token second;
                if (!read(lexer, second)) return 0;
                if (second.text == "-") {
                    text.erase(text.size() - t.ws.size() - 1);  // the comment leaves no trace
                    while (marks && !marks->empty() && marks->back().pos > text.size()) marks->pop_back();
                    WriteLog(request.thread_number, 1, "Meet Comments\n");
                    if (!skip_comment(lexer)) return 0;
                    // The text goes on on the line of the comment's ">".
                    if (marks) marks->push_back(LineMark{text.size(), lexer.line()});
                    WriteLog(request.thread_number, 1, "Out Comments\n");
                    continue;
                }
                text += next.ws + "!" + dash.ws + "-";
                t = second;
            } else {
                text += next.ws + "!";
                t = dash;
            }
        } else {
            if (needs_late_header(next.text) && !request.out.header_written)
                request.out.set_buffered(true);
            t = next;
        }
        pending = true;
    }
}

int PreScanFile(Request& request, const std::string& path, std::string& text, std::vector<LineMark>* marks) {
    platform::File file(path, "r");
    if (!file.is_open()) return 0;
    Lexer lexer(file, kRefHashIsChar);
    return PreScan(request, lexer, text, marks);
}

}  // namespace kavr
