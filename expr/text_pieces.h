// Texts with references in them (tag attributes, printed row texts), split
// once per process into literal pieces and the references between them.
// Expanding such a text then only evaluates its references.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kavr {

struct TextPiece {
    bool reference = false;  // a "#...#" token to evaluate, else text to copy
    std::string text;
    // A row text's reference that is one plain name and nothing more
    // ("#name#", "# name #"): the name, which may stand for a column of the
    // row the text is printed against, and the operand as its lookup reads
    // it ("#name#"). Empty for every other reference.
    std::string name;
    std::string operand;
};

struct SplitText {
    std::vector<TextPiece> pieces;  // no two literal pieces side by side
};

// An attribute text as its expansion reads it, with the lexer's reference
// mode (kRefKeepDouble or kRefCollapse): white space and tokens kept as
// the lexer gives them, and a reference left open at the end kept as text.
std::shared_ptr<const SplitText> SplitAttributeText(std::string_view text, signed char reference_mode);

// A printed row text: "##" reads as "#" and a doubled quote mark as one.
std::shared_ptr<const SplitText> SplitRowText(std::string_view text);

}  // namespace kavr
