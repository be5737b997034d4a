#include "template/prescan.h"

#include <algorithm>

#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/plain_scan.h"
#include "platform/file.h"

namespace kavr {

namespace {

struct Token {
    int cls = kTokEnd;
    std::string text;
    std::string ws;    // white space read before it
    size_t start = 0;  // where it starts in the input
};

bool read(Lexer& lexer, Token& t) {
    t.cls = lexer.NextToken(t.text);
    t.ws = lexer.whitespace();
    t.start = lexer.token_start();
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

// The 0-based line of positions met in increasing order.
class LineCounter {
public:
    explicit LineCounter(const std::string& text) : text_(text) {}
    int at(size_t pos) {
        pos = std::min(pos, text_.size());
        if (pos < counted_) counted_ = lines_ = 0;
        lines_ += static_cast<int>(std::count(text_.begin() + static_cast<long>(counted_),
                                              text_.begin() + static_cast<long>(pos), '\n'));
        counted_ = pos;
        return lines_;
    }

private:
    const std::string& text_;
    size_t counted_ = 0;
    int lines_ = 0;
};

// A "<" that reads exactly as written and means nothing to the pre-scan:
// one followed by "/" or by a letter that cannot begin a tag name the scan
// looks for. Anything else (a comment's "!", white space, "k") is read
// token by token.
bool passes_through(const std::string& s, size_t lt) {
    if (lt + 1 >= s.size()) return false;
    char c = s[lt + 1];
    if (c == '/') return true;
    return ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) && c != 'k' && c != 'K';
}

int scan(Lexer& lexer, PreScanResult& res) {
    const std::string& src = lexer.text();
    const size_t end = src.size();
    std::string& text = res.text;
    text.reserve(end);
    LineCounter lines(src);
    Token t, next;
    std::string plain;
    bool pending = false;  // t already holds the token to look at
    // Line feeds are lost with a comment and with white space beyond the
    // lexer's limit: what follows either is marked with its line.
    auto add_ws = [&](const Token& tok) {
        text += tok.ws;
        if (tok.ws.size() >= Lexer::kMaxWhitespace) res.marks.push_back(LineMark{text.size(), lines.at(tok.start)});
    };
    for (;;) {
        if (!pending) {
            // Text up to the next "<" that matters is copied in one piece
            // when it reads as written; otherwise it is read token by token.
            const size_t from = lexer.position();
            RunWatch watch;
            size_t lt = ScanToTag(src.data(), from, end, watch,
                                  [&](size_t at) { return passes_through(src, at); });
            if (watch.clean && lt == end) {
                text.append(src, from, end - from - TrailingWhitespace(src.data(), from, end));
                return 1;
            }
            if (watch.clean) {
                // The white space before the "<" is read with it: a comment
                // takes it away.
                size_t ws = TrailingWhitespace(src.data(), from, lt);
                text.append(src, from, lt - ws - from);
                lexer.set_position(lt - ws);
            } else {
                lexer.ReadPlainText(plain);
                text += plain;
            }
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
                    while (!res.marks.empty() && res.marks.back().pos > text.size()) res.marks.pop_back();
                    res.open_comment = true;
                    if (!skip_comment(lexer)) return 0;
                    res.open_comment = false;
                    ++res.comments;
                    // The text goes on on the line of the comment's ">".
                    res.marks.push_back(LineMark{text.size(), lines.at(lexer.token_start())});
                    continue;
                }
                text += next.ws + "!" + dash.ws + "-";
                t = second;
            } else {
                text += next.ws + "!";
                t = dash;
            }
        } else {
            if (needs_late_header(next.text)) res.late_header = true;
            t = next;
        }
        pending = true;
    }
}

}  // namespace

void PreScanText(std::string raw, PreScanResult& result) {
    result = PreScanResult();
    // A text that reads as written, whose every "<" starts an ordinary
    // tag (neither a comment nor one the scan or the interpreter looks at),
    // is its own pre-scanned text and is copied whole when it runs.
    RunWatch watch;
    size_t lt = ScanToTag(raw.data(), 0, raw.size(), watch,
                          [&](size_t at) { return IsOrdinaryTag(raw.data(), at, raw.size()); });
    if (watch.clean && lt == raw.size()) {
        raw.resize(raw.size() - TrailingWhitespace(raw.data(), 0, raw.size()));
        result.text = std::move(raw);
        result.ok = 1;
        result.plain = true;
        return;
    }
    Lexer lexer(std::make_shared<TokenTape>(std::move(raw)), kRefHashIsChar, false);
    result.ok = scan(lexer, result);
}

void ApplyPreScan(Request& request, const PreScanResult& result) {
    for (int i = 0; i < result.comments; ++i) {
        WriteLog(request.thread_number, 1, "Meet Comments\n");
        WriteLog(request.thread_number, 1, "Out Comments\n");
    }
    if (result.open_comment) WriteLog(request.thread_number, 1, "Meet Comments\n");
    if (result.late_header && !request.out.header_written) request.out.set_buffered(true);
}

int PreScan(Request& request, Lexer& lexer, std::string& text, std::vector<LineMark>* marks) {
    const std::string& all = lexer.text();
    size_t from = std::min(lexer.position(), all.size());
    size_t to = std::max(from, std::min(lexer.limit(), all.size()));
    PreScanResult result;
    PreScanText(all.substr(from, to - from), result);
    ApplyPreScan(request, result);
    text = std::move(result.text);
    if (marks) *marks = std::move(result.marks);
    return result.ok;
}

int PreScanFile(Request& request, const std::string& path, std::string& text, std::vector<LineMark>* marks) {
    std::string raw;
    if (!platform::read_whole_file(path, raw)) return 0;
    PreScanResult result;
    PreScanText(std::move(raw), result);
    ApplyPreScan(request, result);
    text = std::move(result.text);
    if (marks) *marks = std::move(result.marks);
    return result.ok;
}

}  // namespace kavr
