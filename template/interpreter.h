// The interpreter: copies a template text to the response and hands each
// "<kav..." tag to its row of the tag table. Bodies of constructs are
// interpreted in place, by narrowing the lexer to them, so nesting costs
// no copies of the text.
#pragma once
#include <cstddef>

#include "template/tag_table.h"

namespace kavr {

class Lexer;
struct Request;

// Interprets the lexer's text from its position up to its limit with the
// given output switch. 1 at the end of the text, 0 when a tag failed (or
// the text ends right after "<" or "</"), -1 when a loop exit left it.
int Interpret(Lexer& lexer, Request& request, bool output);

// Interprets the piece [begin, end) of the call's text as a text of its
// own. The lexer's limit is restored afterwards; its position is left for
// the caller to set past the construct. Fails with an error line when
// constructs are nested deeper than kMaxConstructDepth.
int InterpretBody(TagCall& call, size_t begin, size_t end, bool output);

}  // namespace kavr
