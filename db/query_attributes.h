// Attributes of the query and print tags: "name=value" pairs and bare
// flags up to the tag's ">", names matched without regard to case.
#pragma once
#include <string>
#include <vector>

namespace kavr {

class Lexer;

struct AttributeSpec {
    const char* name;
    bool flag;  // written without "=" and a value
};

struct ReadAttribute {
    int which = 0;      // position in the spec list
    std::string value;  // as written, quotes removed; empty for a flag
};

// Reads up to and including ">". Unknown words are skipped. A valued name
// without its "=" fails (0); so does a text that ends before ">".
int ReadQueryAttributes(Lexer& lexer, const std::vector<AttributeSpec>& specs,
                        std::vector<ReadAttribute>& out);

}  // namespace kavr
