// The tag table: one row per tag name, each with its handler and the few
// flags that tell the interpreter how to call it. Every folder adds its
// own tags through RegisterTag at start-up; the interpreter knows no tag
// by name.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kavr {

class Lexer;
struct Request;

// What a handler receives: the lexer positioned just after the tag name
// (reference mode 0 unless the row says kTagTextMode), the request, and
// the output switch of the interpreting level. A handler reads its
// attributes up to and including the tag's ">" and, for a body tag, the
// body and its closing tag.
struct TagCall {
    Lexer& lexer;
    Request& request;
    bool output;       // whether the level that met the tag writes text
    std::string name;  // the tag name as written
};

// 1 go on, 0 stop the whole template (the error is already written),
// -1 leave the nearest enclosing loop.
using TagHandler = int (*)(TagCall& call);

enum TagFlags : unsigned {
    kTagPlain = 0,
    // The handler reads what follows the name in text mode ("#" is an
    // ordinary character); otherwise references are recognised.
    kTagTextMode = 1u << 0,
    // A -1 result leaves the text that holds the tag (loop exits, and the
    // branches that pass a loop exit of their body up). Without it, -1
    // counts as success.
    kTagPassesExit = 1u << 1,
    // Success ends the text that holds the tag (a redirect).
    kTagEndsText = 1u << 2,
};

struct TagEntry {
    std::string name;  // as registered
    TagHandler handler = nullptr;
    unsigned flags = kTagPlain;
};

// Adds a row. name starts with "kav" for an opening tag, or with "/kav"
// for a closing tag that has a handler of its own (met outside the body
// of its opening tag). 0 when the name is malformed, the handler is null
// or the name (without regard to case) already has a row.
int RegisterTag(std::string_view name, TagHandler handler, unsigned flags = kTagPlain);

// The row for a name, compared without regard to case; null when none.
const TagEntry* FindTag(std::string_view name);

// Every registered name as registered, sorted without regard to case (for
// the check that the language reference documents every tag).
std::vector<std::string> TagNames();

// Removes every row (for tests that build their own table).
void ClearTagTable();

// Changes whenever a row is added or the table is cleared, so that what
// was found in the table can be looked up again.
unsigned TagTableVersion();

}  // namespace kavr
