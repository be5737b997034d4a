// URL-encoded text: the query string and the body of an ordinary form.
#include <string>
#include <unordered_map>

#include "cgi/decode.h"
#include "driver/core/text_util.h"

namespace kavr {

static int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string UrlDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            int value = 0;
            for (int digits = 0; digits < 2 && i + 1 < s.size(); ++digits) {
                int h = hex_value(s[i + 1]);
                if (h < 0) break;
                value = value * 16 + h;
                ++i;
            }
            if (value == 0) break;  // a zero byte ends the text
            out += static_cast<char>(value);
        } else {
            out += c;
        }
    }
    return out;
}

// Pairs are separated by "&". A pair's name runs to its first "=", and the
// value is the rest of the pair (further "=" included). A pair without any
// "=" is a name with an empty value; an empty pair ("&&", a trailing "&")
// is skipped. Repeated names within the range merge as "old,new"; they are
// found through an index so that very many pairs stay cheap.
int DecodeUrlEncoded(RequestTables& t, std::string_view text, size_t start, size_t& end) {
    if (start > t.vars.size()) start = t.vars.size();
    std::unordered_map<std::string, size_t> index;
    for (size_t i = start; i < t.vars.size(); ++i) index.emplace(ToLower(t.vars[i].name), i);

    size_t pos = 0;
    while (pos <= text.size()) {
        size_t amp = text.find('&', pos);
        if (amp == std::string_view::npos) amp = text.size();
        std::string_view pair = text.substr(pos, amp - pos);
        pos = amp + 1;
        if (pair.empty()) continue;

        size_t eq = pair.find('=');
        std::string name = UrlDecode(pair.substr(0, eq));
        std::string value = eq == std::string_view::npos ? std::string() : UrlDecode(pair.substr(eq + 1));

        auto found = index.find(ToLower(name));
        if (found != index.end()) {
            std::string& stored = t.vars[found->second].value;
            stored += ',';
            stored += value;
            continue;
        }
        if (t.vars.size() >= RequestTables::kMaxVars) {
            end = t.vars.size();
            return 0;
        }
        index.emplace(ToLower(name), t.vars.size());
        t.vars.push_back(NameValue{std::move(name), std::move(value)});
    }
    end = t.vars.size();
    return 1;
}

}  // namespace kavr
