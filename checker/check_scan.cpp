#include "checker/check_scan.h"

#include <algorithm>

#include "checker/value_check.h"
#include "driver/core/text_util.h"
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
    return cls;
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

void CheckScan::echo_line() {
    if (line_ == owner_.last_echoed_line) return;
    owner_.last_echoed_line = line_;
    const std::string& t = lexer_.text();
    size_t begin = line_starts_[static_cast<size_t>(line_)];
    size_t end = t.find('\n', begin);
    if (end == std::string::npos) end = t.size();
    // A line written with a carriage return before its line feed echoes
    // without it, as it reads on a system that reads text files in text mode.
    if (end > begin && t[end - 1] == '\r') --end;
    owner_.Write(std::string_view(t).substr(begin, end - begin));
    owner_.Write("\n");
}

void CheckScan::Say(std::string_view fmt, std::initializer_list<std::string_view> args) {
    echo_line();
    owner_.Write(format(fmt, args));
}

void CheckScan::SayBare(std::string_view fmt, std::initializer_list<std::string_view> args) {
    owner_.Write(format(fmt, args));
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
