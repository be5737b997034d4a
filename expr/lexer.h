// The one tokenizer of the system. The tag scanner, the syntax checker, the
// expression parser and the argument readers of the built-in functions all
// read through it, so they agree on what a token is.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "expr/token_tape.h"
#include "platform/file.h"

namespace kavr {

// Token classes; other layers compare these numbers.
enum TokenClass : int {
    kTokEnd = 0,         // end of input, no token
    kTokSelect = 100,
    kTokFrom = 102,
    kTokWhere = 104,
    kTokAnd = 106,       // "AND" or "&&"
    kTokOr = 107,        // "OR" or "||"
    kTokNot = 108,       // "NOT"
    kTokNotEqual = 110,  // "!=" or "!=$"
    kTokScope = 112,     // "::"
    kTokOperator = 114,  // "%" "*" "/" "^" "=" "=$" "!?"
    kTokIdent = 116,     // a letter, then letters, digits or "_"
    kTokNumber = 118,    // digits (optional sign), or digits with one decimal point
    kTokString = 124,    // quoted string, only from ReadItem
    kTokPunct = 126,     // single punctuation, lone "!" "&" ":" "#" "|", or "##"
    kTokMinus = 128,
    kTokPlus = 130,
    kTokReference = 132,  // "#" text "#"
    kTokOther = -1,       // any other word, such as 12abc
};

// Reference modes: how "#" is read.
constexpr signed char kRefHashIsChar = -1;  // "#" is always a token of its own
constexpr signed char kRefKeepDouble = 0;   // "##" stays "##"; "#text#" is a reference
constexpr signed char kRefCollapse = 1;     // "##" reads as "#"; "#text#" is a reference

class Lexer {
public:
    static constexpr size_t kMaxToken = 1023;
    static constexpr size_t kMaxWhitespace = 199;

    // Reads a text; the lexer keeps its own copy.
    Lexer(std::string_view text, signed char reference_mode);
    // Reads an open file, which must outlive the lexer.
    Lexer(platform::File& file, signed char reference_mode);
    // Reads the text of a tape. With record set, reads of tokens and items
    // are replayed from the tape when it holds them and recorded when not;
    // a lexer that reads a text once (the pre-scan) leaves it off.
    Lexer(std::shared_ptr<TokenTape> tape, signed char reference_mode, bool record = true);

    Lexer(const Lexer&) = delete;
    Lexer& operator=(const Lexer&) = delete;

    // Reads one token (at most kMaxToken characters kept; the rest of a
    // longer token is consumed) and records the white space before it.
    int NextToken(std::string& token);
    // As NextToken, but a double quote starts a quoted string that comes
    // back whole as kTokString (with its quotes when keep_quotes is set).
    int ReadItem(bool keep_quotes, std::string& item);
    // As ReadItem; a lone "-" or "+" is joined to the item after it.
    int ReadSignedItem(bool keep_quotes, std::string& item);
    // Reads plain text up to the last token before the next "<" or the end,
    // as the tokens NextToken gives would read with their white space: runs
    // of white space kept to kMaxWhitespace characters, each token to
    // kMaxToken. The white space after that token is left for the next
    // read. For texts read with "#" as an ordinary character
    // (kRefHashIsChar).
    void ReadPlainText(std::string& text);
    // Returns characters to the input so that the next read sees them again.
    void PushBack(std::string_view token);

    // Leading white space of the last token or item (at most 199 characters).
    const std::string& whitespace() const { return ws_view_ ? *ws_view_ : whitespace_; }

    // Position in a text source (index of the next character).
    size_t position() const { return pos_; }
    void set_position(size_t pos);
    // The text of a text source (empty for a file).
    const std::string& text() const { return *text_; }
    // The tape being replayed and recorded, or null.
    TokenTape* tape() const { return record_ ? tape_.get() : nullptr; }
    // Recording off: reads go to the text itself (a tape lexer only).
    void set_recording(bool on) { record_ = on && tape_; }
    // The key of a read at the current position with these switches.
    TapeKey tape_key(uint32_t op, uint32_t flags = 0) const;
    // What the lexer holds besides its switches, for a reader that replays
    // its own reads from the tape.
    void save_state(LexState& state) const;
    void restore_state(const LexState& state);
    // As restore_state, for a state held by the lexer's tape: its texts are
    // read where the tape keeps them instead of being copied.
    void replay_state(const LexState& state);
    // A text source reads as if it ended at limit (npos: at its real end),
    // so that a piece of the text can be read in place.
    void set_limit(size_t limit) { limit_ = limit; }
    size_t limit() const { return limit_; }
    // 0-based line of the start of the last token read.
    int line() const;
    // Position in a text source where the last token read starts.
    size_t token_start() const { return last_token_start_; }

    signed char reference_mode() const { return reference_mode_; }
    void set_reference_mode(signed char mode) { reference_mode_ = mode; }
    bool keep_doubled_quotes() const { return keep_doubled_; }
    void set_keep_doubled_quotes(bool on) { keep_doubled_ = on; }
    bool check_mode() const { return check_mode_; }
    void set_check_mode(bool on) { check_mode_ = on; }

private:
    int get();
    void unget(int c);
    int read_reference(std::string& token);
    int read_word(int first, std::string& token);
    int read_first(int c, std::string& token);
    int next_token(std::string& token);
    int read_item(bool keep_quotes, std::string& item);
    int read_signed_item(bool keep_quotes, std::string& item);
    // A read through the tape: replayed, or done by read and recorded.
    template <typename Read>
    int taped(uint32_t op, uint32_t flags, std::string& out, Read read);

    std::string own_text_;
    const std::string* text_ = &own_text_;
    std::shared_ptr<TokenTape> tape_;
    bool record_ = false;
    size_t pos_ = 0;
    size_t limit_ = std::string::npos;
    platform::File* file_ = nullptr;
    std::string pushed_;  // file source: characters pushed back, next one last

    signed char reference_mode_;
    bool keep_doubled_ = false;
    bool check_mode_ = false;
    std::string whitespace_;
    // After a replay, the white space and the last token are the tape's.
    const std::string* ws_view_ = nullptr;
    const std::string* last_view_ = nullptr;
    const std::string& last() const { return last_view_ ? *last_view_ : last_token_; }
    void set_whitespace(const std::string& ws) {
        whitespace_ = ws;
        ws_view_ = nullptr;
    }

    // Where the last token and its white space started and ended, so that
    // pushing that token back restores the exact position in a text.
    size_t last_ws_start_ = 0, last_token_start_ = 0, last_token_end_ = 0;
    std::string last_token_;
    int lines_read_ = 0;  // file source: line feeds consumed
    int token_line_ = 0;  // file source: line of the last token
};

// Classifies a whole word as NextToken does: keywords, signed integers,
// identifiers, else kTokOther.
int ClassifyWord(std::string_view word);

}  // namespace kavr
