#include "template/tag_attributes.h"

#include "driver/core/text_util.h"
#include "expr/lexer.h"

namespace kavr {

namespace {

bool is_tag_end(int cls, const std::string& token) { return cls == kTokPunct && token == ">"; }

}  // namespace

int ReadTagAttributes(Lexer& lexer, const std::vector<AttributeSpec>& specs,
                      std::vector<TagAttribute>& out) {
    out.clear();
    std::string token;
    for (;;) {
        int cls = lexer.ReadItem(false, token);
        if (cls == kTokEnd) return 0;
        if (is_tag_end(cls, token)) return 1;
        if (cls == kTokString) continue;
        int which = 0;
        for (const AttributeSpec& s : specs) {
            if (EqualsNoCase(token, s.name)) break;
            ++which;
        }
        if (which == static_cast<int>(specs.size())) continue;
        TagAttribute a;
        a.which = which;
        if (specs[which].flag) {
            out.push_back(std::move(a));
            continue;
        }
        std::string eq;
        if (lexer.NextToken(eq) == kTokEnd || eq != "=") return 0;
        cls = lexer.ReadSignedItem(false, a.value);
        if (cls == kTokEnd) return 0;
        if (is_tag_end(cls, a.value)) {
            a.value.clear();
            out.push_back(std::move(a));
            return 1;
        }
        out.push_back(std::move(a));
    }
}

int ReadTagAttributes(Lexer& lexer, std::initializer_list<const char*> names,
                      std::vector<TagAttribute>& out) {
    std::vector<AttributeSpec> specs;
    specs.reserve(names.size());
    for (const char* n : names) specs.push_back(AttributeSpec{n, false});
    return ReadTagAttributes(lexer, specs, out);
}

}  // namespace kavr
