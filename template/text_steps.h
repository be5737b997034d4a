// The interpreter's steps through a text: from a position (up to a limit),
// the text to copy to the response and the tag that follows it. A text
// read from a tape has its steps found once and kept with the tape, so a
// loop body runs from them on every iteration without being read again;
// any other text has each step found as it runs.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "expr/token_tape.h"

namespace kavr {

class Lexer;
struct TagEntry;

struct TextStep {
    enum Kind {
        kEndOfText,   // the text ends after the copied part
        kCutOff,      // the text ends right after "<" or "</"
        kTag,         // a tag of the table: "<" and its name
        kClosingTag,  // a closing tag with a row of its own: "</" and its name
    };
    Kind kind = kEndOfText;
    // What is copied: pieces of the text ([begin, begin + size)) or of own.
    struct Piece {
        bool owned;
        size_t begin, size;
    };
    std::vector<Piece> copy;
    std::string own;
    const TagEntry* row = nullptr;
    std::string name;      // the tag name as written (for a closing tag, the name after "/")
    size_t tag_start = 0;  // where the tag's "<" is
    LexState after;        // the lexer just after the name (or at the end)

    std::string_view piece(const std::string& text, const Piece& p) const {
        return std::string_view(p.owned ? own : text).substr(p.begin, p.size);
    }
};

// The step from the lexer's position, read in "#"-is-a-character mode;
// the lexer is left in the step's after state. From the lexer's tape when
// it has one (found and kept there the first time), else into scratch.
const TextStep& StepAt(Lexer& lexer, TextStep& scratch);

// For a text known to read as written to its end with no tag the
// interpreter stops at (the pre-scan found it so): keeps its first step, the
// whole text, without reading it again.
void KeepWholeTextStep(TokenTape& tape);

}  // namespace kavr
