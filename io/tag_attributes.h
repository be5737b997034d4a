// Reading the attributes of the file, profile, program and socket tags:
// "name=value" pairs up to the tag's ">", names matched without regard to
// case, values kept as written for the tag to substitute or evaluate.
#pragma once
#include <initializer_list>
#include <string>
#include <vector>

namespace kavr {

class Lexer;

struct TagAttribute {
    int which = 0;      // position of the name in the list the tag gave
    std::string value;  // one item, quotes removed, not substituted
};

// Reads up to and including the ">". A known name must be followed by
// "=" and one item (a quoted text is one item; a lone sign joins the item
// after it). Unknown tokens are skipped. Attributes come out in the order
// written. 1 at ">", 0 when a known name lacks its "=" or the text ends.
int ReadTagAttributes(Lexer& lexer, std::initializer_list<const char*> names,
                      std::vector<TagAttribute>& out);

}  // namespace kavr
