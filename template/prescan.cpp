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
};

bool read(Lexer& lexer, Token& t) {
    t.cls = lexer.NextToken(t.text);
    t.ws = lexer.whitespace();
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

int PreScan(Request& request, Lexer& lexer, std::string& text) {
    lexer.set_reference_mode(kRefHashIsChar);
    text.clear();
    Token t, next;
    std::string plain;
    bool pending = false;  // t already holds the token to look at
    for (;;) {
        if (!pending) {
            // Text up to the next "<" is copied in one piece.
            lexer.ReadPlainText(plain);
            text += plain;
            if (!read(lexer, t)) return 1;
        }
        pending = false;
        if (t.text != "<") {
            text += t.ws;
            text += t.text;
            continue;
        }
        text += t.ws;
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
                    WriteLog(request.thread_number, 1, "Meet Comments\n");
                    if (!skip_comment(lexer)) return 0;
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

int PreScanFile(Request& request, const std::string& path, std::string& text) {
    platform::File file(path, "r");
    if (!file.is_open()) return 0;
    Lexer lexer(file, kRefHashIsChar);
    return PreScan(request, lexer, text);
}

}  // namespace kavr
