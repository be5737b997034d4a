// Attributes of a tag: "name=value" pairs and bare flags up to the tag's
// ">", names matched without regard to case, values kept as written for
// the tag to substitute or evaluate.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

namespace kavr {

class Lexer;

struct AttributeSpec {
    const char* name;
    bool flag = false;  // written alone, without "=" and a value
};

struct TagAttribute {
    int which = 0;      // position of the name in the list the tag gave
    std::string value;  // one item, quotes removed, not substituted; empty for a flag
};

// Reads up to and including the ">". A valued name must be followed by "="
// and one item (a quoted text is one item; a lone sign joins the item after
// it); "name=>" gives an empty value and ends the tag. Unknown tokens are
// skipped. Attributes come out in the order written. 1 at ">", 0 when a
// valued name lacks its "=" or the text ends first.
int ReadTagAttributes(Lexer& lexer, const std::vector<AttributeSpec>& specs,
                      std::vector<TagAttribute>& out);

// The same for tags whose attributes all carry values.
int ReadTagAttributes(Lexer& lexer, std::initializer_list<const char*> names,
                      std::vector<TagAttribute>& out);

}  // namespace kavr
