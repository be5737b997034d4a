#include "checker/check_scan.h"

#include <algorithm>

#include "checker/value_check.h"
#include "driver/core/text_util.h"
#include "expr/functions.h"
#include "expr/parser.h"

namespace kavr {

namespace {

// The scan whose report receives the parser's check-mode notes ("Illegal
// function name: ..."); both programs are single-threaded.
CheckScan* g_active_scan = nullptr;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

CheckScan::CheckScan(TemplateChecker& owner, std::string_view text)
    : owner_(owner), lexer_(text, kReadText) {
    line_starts_.push_back(0);
    const std::string& t = lexer_.text();
    for (size_t i = 0; i < t.size(); ++i)
        if (t[i] == '\n') line_starts_.push_back(i + 1);
    outer_ = g_active_scan;
    g_active_scan = this;
    SetCheckMessageSink(parser_note);
    SetCheckFunctionNames(IsFunctionName);
}

CheckScan::~CheckScan() {
    g_active_scan = outer_;
    if (!outer_) SetCheckMessageSink(nullptr);
}

void CheckScan::parser_note(std::string_view message) {
    if (g_active_scan) g_active_scan->Say(message);
}

void CheckScan::note_read(size_t start) {
    // The token starts after the white space skipped from start on.
    const std::string& t = lexer_.text();
    size_t end = std::min(lexer_.position(), t.size());
    while (start < end && is_space(t[start])) ++start;
    auto it = std::upper_bound(line_starts_.begin(), line_starts_.end(), start);
    line_ = static_cast<int>(it - line_starts_.begin()) - 1;
}

int CheckScan::Next(std::string& token, signed char mode) {
    lexer_.set_reference_mode(mode);
    last_read_start_ = lexer_.position();
    int cls = lexer_.NextToken(token);
    // At the end of the text the current line stays that of the last token.
    if (cls != kTokEnd) note_read(last_read_start_);
    return cls;
}

int CheckScan::Item(std::string& item, signed char mode, bool keep_quotes, bool signed_item) {
    lexer_.set_reference_mode(mode);
    last_read_start_ = lexer_.position();
    int cls = signed_item ? lexer_.ReadSignedItem(keep_quotes, item) : lexer_.ReadItem(keep_quotes, item);
    if (cls != kTokEnd) note_read(last_read_start_);
    note_quote(cls, item);
    return cls;
}

// Remembers a quoted item that runs past its line (or to the end of the
// text): the likely cause of what the tag reports next.
void CheckScan::note_quote(int cls, const std::string& item) {
    const std::string& t = lexer_.text();
    size_t start = last_read_start_;
    while (start < t.size() && is_space(t[start])) ++start;
    bool quoted = start < t.size() && t[start] == '"';
    if (!quoted || (cls != kTokEnd && item.find('\n') == std::string::npos)) return;
    auto line_of = [this](size_t pos) {
        auto it = std::upper_bound(line_starts_.begin(), line_starts_.end(), pos);
        return static_cast<int>(it - line_starts_.begin()) - 1;
    };
    quote_line_ = line_of(start);
    quote_end_line_ = cls == kTokEnd ? -1 : line_of(lexer_.position() == 0 ? 0 : lexer_.position() - 1);
}

void CheckScan::Back() { lexer_.set_position(last_read_start_); }

std::string CheckScan::format(std::string_view fmt, std::initializer_list<std::string_view> args) const {
    std::string out;
    auto arg = args.begin();
    for (size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] == '%' && i + 1 < fmt.size() && fmt[i + 1] == 'd') {
            out += std::to_string(line_ + 1);
            ++i;
        } else if (fmt[i] == '%' && i + 1 < fmt.size() && fmt[i + 1] == 's') {
            if (arg != args.end()) out += *arg++;
            ++i;
        } else {
            out += fmt[i];
        }
    }
    return out;
}

std::string_view CheckScan::line_text(int line) const {
    const std::string& t = lexer_.text();
    size_t begin = line_starts_[static_cast<size_t>(line)];
    size_t end = t.find('\n', begin);
    if (end == std::string::npos) end = t.size();
    // A line written with a carriage return before its line feed echoes
    // without it, as it reads on a system that reads text files in text mode.
    if (end > begin && t[end - 1] == '\r') --end;
    return std::string_view(t).substr(begin, end - begin);
}

void CheckScan::echo_line() {
    if (line_ == owner_.last_echoed_line) return;
    owner_.last_echoed_line = line_;
    owner_.Write(line_text(line_));
    owner_.Write("\n");
}

void CheckScan::report(std::string_view fmt, std::initializer_list<std::string_view> args, bool echo) {
    ++owner_.problems;
    std::string text = format(fmt, args);
    if (!owner_.output.message) {
        if (echo) echo_line();
        owner_.Write(text);
        return;
    }
    // The laid-out report carries the line itself: the message's own
    // leading number goes.
    std::string_view plain = fmt;
    if (plain.substr(0, 2) == "%d") {
        plain.remove_prefix(2);
        if (!plain.empty() && plain[0] == ':') plain.remove_prefix(1);
        if (!plain.empty() && plain[0] == ' ') plain.remove_prefix(1);
    }
    std::string body = format(plain, args);
    if (!body.empty() && body.back() == '\n') body.pop_back();
    CheckMessage m;
    m.line = line_ + 1;
    m.line_text = owner_.file_text.empty() ? line_text(line_) : LineOfText(owner_.file_text, line_);
    m.text = text;
    m.body = body;
    owner_.output.message(owner_.output.context, m);
    if (quote_line_ >= 0) {
        int line = quote_line_;
        std::string where = quote_end_line_ < 0 ? std::string("is never closed")
                                                : "ends on line " + std::to_string(quote_end_line_ + 1);
        quote_line_ = -1;
        Note(line, "note: the quoted text that opens here " + where);
    }
}

void CheckScan::Say(std::string_view fmt, std::initializer_list<std::string_view> args) { report(fmt, args, true); }

void CheckScan::SayBare(std::string_view fmt, std::initializer_list<std::string_view> args) {
    report(fmt, args, false);
}

void CheckScan::Note(int line, std::string_view text) {
    if (!owner_.output.message) return;
    std::string full(text);
    full += '\n';
    CheckMessage m;
    m.line = line + 1;
    m.line_text = owner_.file_text.empty() ? line_text(line) : LineOfText(owner_.file_text, line);
    m.text = full;
    m.body = text;
    m.note = true;
    owner_.output.message(owner_.output.context, m);
}

void CheckScan::NoteOpenBlocks(int count) {
    size_t n = std::min(open_blocks_.size(), static_cast<size_t>(count < 0 ? 0 : count));
    for (size_t i = open_blocks_.size() - n; i < open_blocks_.size(); ++i)
        Note(open_blocks_[i].line, "note: " + open_blocks_[i].name + " opened here");
}

// "<" followed by "#": a variable reference written as a tag, such as
// <#name#>. Read it again with references recognised and check it; when it
// is no reference, or not a valid one, scanning goes on right after the
// "#" so that no tag behind it is missed. False when the text ends inside
// the reference: then no token follows the "<".
bool CheckScan::check_reference_after_lt() {
    size_t after_hash = lexer_.position();
    Back();
    std::string ref;
    int cls = Next(ref, kReadAttr);
    if (cls == kTokEnd) return false;
    if (cls == kTokReference && ReferenceParses(ref)) return true;
    lexer_.set_position(after_hash);
    return true;
}

void CheckScan::CheckBodyReference(const std::string& tag) {
    size_t after_hash = lexer_.position();
    Back();
    std::string ref;
    int cls = Next(ref, kReadCase);
    if (cls == kTokPunct) return;  // "##"
    // A reference must end before the next tag: the body ends at its
    // closing tag, and tags inside it run before references are read.
    if (cls != kTokReference || FindNoCase(ref, "<kav") != std::string_view::npos ||
        FindNoCase(ref, "</kav") != std::string_view::npos) {
        Say("%d: Unbalanced # in %s\n", {tag});
        lexer_.set_position(after_hash);
        return;
    }
    if (!ReferenceParses(ref)) Say("%d: Syntax error with the reference %s in %s\n", {ref, tag});
}

const std::string* CheckScan::PrintBodyTag() const {
    for (auto it = open_blocks_.rbegin(); it != open_blocks_.rend(); ++it)
        if (EqualsNoCase(it->name, "kavprint") || EqualsNoCase(it->name, "kavmail")) return &it->name;
    return nullptr;
}

bool CheckScan::Run() {
    std::string token;
    for (;;) {
        if (Next(token, kReadText) == kTokEnd) return true;
        if (token != "<") continue;
        std::string name;
        int cls = Next(name, kReadText);
        if (cls == kTokEnd || (cls == kTokPunct && name == "#" && !check_reference_after_lt())) {
            Say("Error! Unbalancing <, missing >\n");
            return false;
        }
        if (StartsWithNoCase(name, "kav")) Dispatch(name);
        // Anything else after "<", a closing tag included, is plain HTML.
    }
}

}  // namespace kavr
