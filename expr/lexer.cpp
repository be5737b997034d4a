#include "expr/lexer.h"

#include <algorithm>

#include "driver/core/charset.h"
#include "driver/core/text_util.h"
#include "expr/parser.h"

namespace kavr {

namespace {

bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_letter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Characters that end a word and form tokens of their own.
bool is_delimiter(int c) {
    switch (c) {
        case '"': case '\'': case '(': case ')': case ',': case ';': case '<': case '>':
        case '?': case '[': case '\\': case ']': case '{': case '}': case '%': case '*':
        case '/': case '^': case '+': case '-': case '!': case '=': case '&': case '|':
        case ':': case '.': case '#':
            return true;
        default:
            return false;
    }
}

void add(std::string& token, int c) {
    if (token.size() < Lexer::kMaxToken) token += static_cast<char>(c);
}

void add(std::string& token, std::string_view s) {
    for (char c : s) add(token, static_cast<unsigned char>(c));
}

}  // namespace

int ClassifyWord(std::string_view w) {
    if (w.empty()) return kTokOther;
    if (EqualsNoCase(w, "SELECT")) return kTokSelect;
    if (EqualsNoCase(w, "FROM")) return kTokFrom;
    if (EqualsNoCase(w, "WHERE")) return kTokWhere;
    if (EqualsNoCase(w, "AND")) return kTokAnd;
    if (EqualsNoCase(w, "OR")) return kTokOr;
    if (EqualsNoCase(w, "NOT")) return kTokNot;
    size_t i = (w[0] == '+' || w[0] == '-') ? 1 : 0;
    if (i < w.size() && std::all_of(w.begin() + i, w.end(), [](char c) { return is_digit(c); }))
        return kTokNumber;
    if (!is_letter(static_cast<unsigned char>(w[0]))) return kTokOther;
    for (char c : w)
        if (!is_letter(static_cast<unsigned char>(c)) && !is_digit(c) && c != '_') return kTokOther;
    return kTokIdent;
}

Lexer::Lexer(std::string_view text, signed char reference_mode)
    : own_text_(text), reference_mode_(reference_mode) {}

Lexer::Lexer(std::shared_ptr<TokenTape> tape, signed char reference_mode, bool record)
    : text_(&tape->text()), tape_(std::move(tape)), record_(record), reference_mode_(reference_mode) {}

Lexer::Lexer(platform::File& file, signed char reference_mode)
    : file_(&file), reference_mode_(reference_mode) {}

int Lexer::get() {
    if (!file_)
        return pos_ < text_->size() && pos_ < limit_ ? static_cast<unsigned char>((*text_)[pos_++]) : -1;
    int c;
    if (!pushed_.empty()) {
        c = static_cast<unsigned char>(pushed_.back());
        pushed_.pop_back();
    } else {
        c = file_->getc();
    }
    if (c == '\n') ++lines_read_;
    return c;
}

void Lexer::unget(int c) {
    if (c < 0) return;
    if (!file_) {
        if (pos_ > 0) --pos_;
        return;
    }
    if (c == '\n') --lines_read_;
    pushed_.push_back(static_cast<char>(c));
}

void Lexer::PushBack(std::string_view token) {
    if (token.empty()) return;
    if (file_) {
        for (size_t i = token.size(); i-- > 0;) unget(static_cast<unsigned char>(token[i]));
        return;
    }
    // The token just read (alone or with its white space) goes back to
    // exactly where it began, even when it was cut or "##" was collapsed.
    const std::string& ws = whitespace();
    if (pos_ == last_token_end_ && token == last()) {
        pos_ = last_token_start_;
    } else if (pos_ == last_token_end_ && token.size() == ws.size() + last().size() &&
               token.substr(0, ws.size()) == ws && token.substr(ws.size()) == last()) {
        pos_ = last_ws_start_;
    } else {
        pos_ -= std::min(pos_, token.size());
    }
    last_token_end_ = static_cast<size_t>(-1);
}

void Lexer::set_position(size_t pos) {
    pos_ = std::min(pos, text_->size());
    last_token_end_ = static_cast<size_t>(-1);
}

int Lexer::line() const {
    if (file_) return token_line_;
    size_t end = std::min(last_token_start_, text_->size());
    return static_cast<int>(std::count(text_->begin(), text_->begin() + static_cast<long>(end), '\n'));
}

TapeKey Lexer::tape_key(uint32_t op, uint32_t flags) const {
    // The reference mode (-1, 0 or 1) and the quote switch are part of
    // every read's key.
    uint32_t f = (flags << 3) | (static_cast<uint32_t>(reference_mode_ + 1) << 1) | (keep_doubled_ ? 1u : 0u);
    return TapeKey{pos_, limit_, op, f};
}

void Lexer::save_state(LexState& s) const {
    s.pos = pos_;
    s.whitespace = whitespace();
    s.last_ws_start = last_ws_start_;
    s.last_token_start = last_token_start_;
    s.last_token_end = last_token_end_;
    s.last_token = last();
}

void Lexer::restore_state(const LexState& s) {
    pos_ = s.pos;
    set_whitespace(s.whitespace);
    last_ws_start_ = s.last_ws_start;
    last_token_start_ = s.last_token_start;
    last_token_end_ = s.last_token_end;
    last_token_ = s.last_token;
    last_view_ = nullptr;
}

void Lexer::replay_state(const LexState& s) {
    pos_ = s.pos;
    ws_view_ = &s.whitespace;
    last_ws_start_ = s.last_ws_start;
    last_token_start_ = s.last_token_start;
    last_token_end_ = s.last_token_end;
    last_view_ = &s.last_token;
}

template <typename Read>
int Lexer::taped(uint32_t op, uint32_t flags, std::string& out, Read read) {
    TokenTape* tape = this->tape();
    if (!tape) return read();
    TapeKey key = tape_key(op, flags);
    if (const TapeRecord* rec = tape->find(key)) {
        out = rec->text;
        replay_state(rec->after);
        return rec->result;
    }
    TapeRecord rec;
    int result = rec.result = read();
    rec.text = out;
    save_state(rec.after);
    tape->store(key, std::move(rec));
    return result;
}

int Lexer::NextToken(std::string& token) {
    return taped(kTapeNextToken, 0, token, [&] { return next_token(token); });
}

int Lexer::ReadItem(bool keep_quotes, std::string& item) {
    return taped(kTapeReadItem, keep_quotes, item, [&] { return read_item(keep_quotes, item); });
}

int Lexer::ReadSignedItem(bool keep_quotes, std::string& item) {
    return taped(kTapeReadSignedItem, keep_quotes, item, [&] { return read_signed_item(keep_quotes, item); });
}

int Lexer::next_token(std::string& token) {
    token.clear();
    whitespace_.clear();
    ws_view_ = nullptr;
    last_ws_start_ = pos_;
    int c;
    while (is_space(c = get()))
        if (whitespace_.size() < kMaxWhitespace) whitespace_ += static_cast<char>(c);
    last_token_start_ = c < 0 ? pos_ : pos_ - 1;
    token_line_ = lines_read_;
    int cls = c < 0 ? kTokEnd : read_first(c, token);
    if (token.size() >= kMaxToken) DropIncompleteTail(token);
    last_token_end_ = pos_;
    last_token_ = token;
    last_view_ = nullptr;
    return cls;
}

int Lexer::read_first(int c, std::string& token) {
    switch (c) {
        case '"': case '\'': case '(': case ')': case ',': case ';': case '<': case '>':
        case '?': case '[': case '\\': case ']': case '{': case '}':
            add(token, c);
            return kTokPunct;
        case '%': case '*': case '/': case '^':
            add(token, c);
            return kTokOperator;
        case '+':
            add(token, c);
            return kTokPlus;
        case '-':
            add(token, c);
            return kTokMinus;
        case '!': {
            int d = get();
            if (d == '=') {
                int e = get();
                if (e == '$') {
                    token = "!=$";
                } else {
                    unget(e);
                    token = "!=";
                }
                return kTokNotEqual;
            }
            if (d == '?') {
                token = "!?";
                return kTokOperator;
            }
            unget(d);
            token = "!";
            return kTokPunct;
        }
        case '=': {
            int d = get();
            if (d == '$') {
                token = "=$";
            } else {
                unget(d);
                token = "=";
            }
            return kTokOperator;
        }
        case '&': case '|': case ':': {
            int d = get();
            if (d == c) {
                token.assign(2, static_cast<char>(c));
                return c == '&' ? kTokAnd : c == '|' ? kTokOr : kTokScope;
            }
            unget(d);
            add(token, c);
            return kTokPunct;
        }
        case '.': {
            int d = get();
            if (!is_digit(d)) {
                unget(d);
                token = ".";
                return kTokPunct;
            }
            token = ".";
            for (; is_digit(d); d = get()) add(token, d);
            unget(d);
            return kTokNumber;
        }
        case '#':
            if (reference_mode_ < 0) {
                token = "#";
                return kTokPunct;
            }
            return read_reference(token);
        default:
            return read_word(c, token);
    }
}

int Lexer::read_word(int c, std::string& token) {
    bool all_digits = true;
    for (; c >= 0; c = get()) {
        if (is_space(c)) break;
        if (c == '.' && all_digits) {
            // "12." and "12.5": the point and the digits after it continue a number.
            add(token, c);
            int d;
            while (is_digit(d = get())) add(token, d);
            unget(d);
            return kTokNumber;
        }
        if (is_delimiter(c)) break;
        add(token, c);
        if (!is_digit(c)) all_digits = false;
    }
    unget(c);
    return ClassifyWord(token);
}

// After a "#" in a mode that recognises references.
int Lexer::read_reference(std::string& token) {
    int c = get();
    if (c == '#') {
        token = reference_mode_ == 0 ? "##" : "#";
        return kTokPunct;
    }
    token = "#";
    if (c < 0) return kTokEnd;  // the input ended inside a reference
    add(token, c);
    for (;;) {
        c = get();
        if (c < 0) return kTokEnd;
        if (c != '#') {
            add(token, c);
            continue;
        }
        int d = get();
        if (d != '#') {
            unget(d);
            add(token, '#');
            return kTokReference;
        }
        // "##" inside a reference: it closes the reference when what came
        // before is a whole expression (#a##b# is #a# then #b#).
        if (CheckExpression(std::string_view(token).substr(1))) {
            unget(d);
            add(token, '#');
            return kTokReference;
        }
        add(token, reference_mode_ == 0 ? "##" : "#");
    }
}

namespace {

// The scan of ReadPlainText over any source of characters (next() gives
// the next one, or -1 at the end). Returns the character that stopped it
// ("<" or -1); the white space read after the last token is left in
// trailing, whole, for the caller to give back.
template <typename Next>
int scan_plain_text(Next next, std::string& text, std::string& trailing) {
    text.clear();
    trailing.clear();
    size_t kept = 0;    // text up to the end of the last token
    size_t spaces = 0;  // length of the current run of white space
    size_t token = 0;   // characters of the current word or number so far
    auto add_capped = [&](int ch) {
        if (token < Lexer::kMaxToken) text += static_cast<char>(ch);
        if (token++ == Lexer::kMaxToken) DropIncompleteTail(text);  // the first byte dropped
    };
    int c = next();
    while (c >= 0 && c != '<') {
        if (is_space(c)) {
            if (spaces++ < Lexer::kMaxWhitespace) text += static_cast<char>(c);
            trailing += static_cast<char>(c);
            c = next();
            continue;
        }
        spaces = 0;
        token = 0;
        trailing.clear();
        if (c == '.') {
            // "." and the digits after it are one number.
            add_capped(c);
            while (is_digit(c = next())) add_capped(c);
        } else if (c == '!' || c == '=') {
            // "!=$" and "=$" hold a "$", which would otherwise start a word.
            text += static_cast<char>(c);
            int d = next();
            if (c == '!' && (d == '=' || d == '?')) {
                text += static_cast<char>(d);
                c = d;
                d = next();
            }
            if (c == '=' && d == '$') {
                text += '$';
                d = next();
            }
            c = d;
        } else if (is_delimiter(c)) {
            // The other operators are delimiters only, never cut.
            text += static_cast<char>(c);
            c = next();
        } else {
            // A word; digits, a point and digits are one number.
            bool all_digits = true;
            while (c >= 0 && !is_space(c) && !is_delimiter(c)) {
                add_capped(c);
                if (!is_digit(c)) all_digits = false;
                c = next();
            }
            if (c == '.' && all_digits) {
                add_capped(c);
                while (is_digit(c = next())) add_capped(c);
            }
        }
        kept = text.size();
    }
    text.resize(kept);
    return c;
}

}  // namespace

void Lexer::ReadPlainText(std::string& text) {
    whitespace_.clear();
    ws_view_ = nullptr;
    last_token_end_ = static_cast<size_t>(-1);
    std::string trailing;
    if (file_) {
        unget(scan_plain_text([this] { return get(); }, text, trailing));
        for (size_t i = trailing.size(); i-- > 0;) unget(static_cast<unsigned char>(trailing[i]));
        return;
    }
    // A text is read in place, without the per-character bookkeeping.
    const char* data = text_->data();
    size_t end = std::min(limit_, text_->size()), at = pos_;
    int c = scan_plain_text(
        [&]() -> int { return at < end ? static_cast<unsigned char>(data[at++]) : -1; }, text, trailing);
    pos_ = (c < 0 ? at : at - 1) - trailing.size();
}

int Lexer::read_item(bool keep_quotes, std::string& item) {
    int cls = NextToken(item);
    if (!(cls == kTokPunct && item == "\"")) return cls;
    const std::string leading = whitespace();
    item = keep_quotes ? "\"" : "";
    std::string tok;
    for (;;) {
        cls = NextToken(tok);
        if (cls == kTokEnd) {
            set_whitespace(leading);
            return kTokEnd;
        }
        if (cls == kTokPunct && tok == "\"") {
            std::string before_quote = whitespace();
            std::string next;
            int next_cls = NextToken(next);
            if (next_cls == kTokPunct && next == "\"" && whitespace().empty()) {
                item += before_quote;
                item += keep_doubled_ ? "\"\"" : "\"";
                continue;
            }
            if (next_cls != kTokEnd) PushBack(whitespace() + next);
            item += before_quote;
            if (keep_quotes) item += '"';
            set_whitespace(leading);
            return kTokString;
        }
        item += whitespace();
        if (cls == kTokReference && !keep_doubled_) {
            for (size_t at = 0; (at = tok.find("\"\"", at)) != std::string::npos; ++at) tok.erase(at, 1);
        }
        item += tok;
    }
}

int Lexer::read_signed_item(bool keep_quotes, std::string& item) {
    int cls = ReadItem(keep_quotes, item);
    if (cls != kTokMinus && cls != kTokPlus) return cls;
    const std::string leading = whitespace();
    std::string rest;
    int rest_cls = ReadItem(keep_quotes, rest);
    set_whitespace(leading);
    if (rest_cls == kTokEnd) return cls;
    item += rest;
    return rest_cls;
}

}  // namespace kavr
