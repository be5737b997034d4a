#include "io/tag_attributes.h"

#include "driver/core/text_util.h"
#include "expr/lexer.h"

namespace kavr {

namespace {

bool is_tag_end(int cls, const std::string& token) { return cls == kTokPunct && token == ">"; }

}  // namespace

int ReadTagAttributes(Lexer& lexer, std::initializer_list<const char*> names,
                      std::vector<TagAttribute>& out) {
    out.clear();
    std::string token;
    for (;;) {
        int cls = lexer.ReadItem(false, token);
        if (cls == kTokEnd) return 0;
        if (is_tag_end(cls, token)) return 1;
        if (cls == kTokString) continue;
        int which = 0;
        for (const char* n : names) {
            if (EqualsNoCase(token, n)) break;
            ++which;
        }
        if (which == static_cast<int>(names.size())) continue;
        std::string eq;
        if (lexer.NextToken(eq) == kTokEnd || eq != "=") return 0;
        TagAttribute a;
        a.which = which;
        cls = lexer.ReadSignedItem(false, a.value);
        if (cls == kTokEnd) return 0;
        if (is_tag_end(cls, a.value)) {
            // "name=>" gives an empty value and ends the tag.
            a.value.clear();
            out.push_back(std::move(a));
            return 1;
        }
        out.push_back(std::move(a));
    }
}

}  // namespace kavr
