// Finding the bodies of constructs by scanning tokens: every time a
// construct runs, its body and closing tag are found again in the text,
// counting nested tags of the construct's own name only. A body is only a
// pair of positions in the template text, so bodies have no length limit
// and nothing is cut from a long loop or branch.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace kavr {

class Lexer;

// A piece of the lexer's text: the body [begin, end) and the position
// just after the construct's closing tag.
struct BodyRange {
    size_t begin = 0;
    size_t end = 0;
    size_t after = 0;
};

// One tag met while scanning: "<name" or "</name", and where its "<" is.
struct TagEvent {
    bool closing = false;
    std::string name;
    size_t lt = 0;
};

// Reads tokens (in the lexer's current reference mode) up to the next
// "<" and the name after it (or "/" and the name after that). 0 when the
// text ends first.
int NextTagEvent(Lexer& lexer, TagEvent& event);

// From the lexer's position (just after an opening tag's ">"), finds the
// matching closing tag of the named construct. The body ends before the
// "<" of that closing tag; after is past its ">". The lexer is left at
// after. 0 when the text ends first.
int ScanBody(Lexer& lexer, std::string_view tag, BodyRange& body);

// The then-part of a kavif: up to the first kavelse or kavelseif of this
// construct, or to its closing tag; after is past the closing tag. 0 when
// the closing tag is missing.
int ScanIfThen(Lexer& lexer, BodyRange& body);

enum ElseKind { kNoElse, kElse, kElseIf };

// The else part of a kavif. kElse: the body runs from the kavelse's ">"
// to the closing tag (a text that ends there counts as closed). kElseIf:
// the lexer is left just after the kavelseif name, for its condition.
// kNoElse: an empty body, after past the closing tag. 0 when the closing
// tag is missing.
int ScanIfElse(Lexer& lexer, ElseKind& kind, BodyRange& body);

}  // namespace kavr
