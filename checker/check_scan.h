// One pass of the checker over one text: the token reader with the line of
// the current token, the message writer with its line echo, and the entry
// into the tag checks. The tag checks (tag_checks.h) read through it.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "checker/template_checker.h"
#include "expr/lexer.h"

namespace kavr {

// Reference modes the checker reads in, as the engine does: plain text
// with "#" as an ordinary character, tag attributes with references
// recognised, and kavcase values with "##" read as "#".
constexpr signed char kReadText = kRefHashIsChar;
constexpr signed char kReadAttr = kRefKeepDouble;
constexpr signed char kReadCase = kRefCollapse;

// Block tags nested deeper than this are not followed (the engine stops
// there too); the tag that goes too deep is reported as an abnormal ending.
constexpr int kMaxCheckNesting = 256;

class CheckScan {
public:
    CheckScan(TemplateChecker& owner, std::string_view text);
    ~CheckScan();
    CheckScan(const CheckScan&) = delete;
    CheckScan& operator=(const CheckScan&) = delete;

    // The main scan over the whole text; false only for a trailing "<".
    bool Run();

    // Reads one token in the given mode.
    int Next(std::string& token, signed char mode);
    // Reads one item (a quoted string is one item); signed_item joins a
    // lone "-" or "+" to the item after it.
    int Item(std::string& item, signed char mode, bool keep_quotes, bool signed_item);
    // Returns to just before the last token or item read.
    void Back();

    // Writes a message after the echo of the current line. "%d" becomes the
    // 1-based line of the current token, each "%s" the next argument.
    void Say(std::string_view format, std::initializer_list<std::string_view> args = {});
    // The same without the line echo.
    void SayBare(std::string_view format, std::initializer_list<std::string_view> args = {});

    // Checks the tag whose name (as written) was just read after "<".
    bool Dispatch(const std::string& name);

    // A "#" just read in the text of a print or mail body, where the
    // engine reads a reference up to the next "#" ("##" is a "#" sign);
    // tag is the body's tag as written.
    void CheckBodyReference(const std::string& tag);
    // The innermost kavprint or kavmail being followed (as written), whose
    // expansion also reads the text of the blocks inside it; null if none.
    // Valid until the next block is entered.
    const std::string* PrintBodyTag() const;

    // Where an unbalanced construct opened, for reports that lay messages
    // out themselves (the plain report has no such line).
    void Note(int line, std::string_view text);
    // A note for each of the innermost count blocks being followed.
    void NoteOpenBlocks(int count);

    // One more block tag inside the ones being followed, opened at the
    // current token; false, with the message, when that is too deep.
    bool EnterBlock(const std::string& name);
    void LeaveBlock(int count = 1);

    bool report_header_tags() const { return owner_.report_header_tags; }

private:
    struct OpenBlock {
        std::string name;  // as written
        int line;          // 0-based
    };

    void report(std::string_view fmt, std::initializer_list<std::string_view> args, bool echo);
    std::string_view line_text(int line) const;
    void note_quote(int cls, const std::string& item);
    void echo_line();
    std::string format(std::string_view format, std::initializer_list<std::string_view> args) const;
    void note_read(size_t start);
    bool check_reference_after_lt();
    static void parser_note(std::string_view message);

    TemplateChecker& owner_;
    Lexer lexer_;
    std::vector<size_t> line_starts_;  // offset of the first character of each line
    size_t last_read_start_ = 0;       // position before the last read, for Back
    int line_ = 0;                     // 0-based line of the current token
    int nesting_ = 0;                  // block tags open around the current token
    std::vector<OpenBlock> open_blocks_;  // the blocks being followed, outermost first
    // A quoted item of the current tag that ran past its line: its line,
    // and the line it ended on (-1 when the text ended inside it).
    int quote_line_ = -1, quote_end_line_ = -1;
    CheckScan* outer_ = nullptr;       // the scan that was active before this one
};

}  // namespace kavr
