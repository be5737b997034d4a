// The HTTP_COOKIE header: "name=value" pairs separated by ";", taken as
// written (no URL decoding).
#include "cgi/decode.h"
#include "driver/core/charset.h"

namespace kavr {

static constexpr size_t kMaxCookieText = 1023;

// A cookie without "=" is a name with an empty value; an empty piece
// (";;" or a trailing ";") is skipped. Names and values longer than 1023
// characters are cut to 1023. Cookies beyond the table's 256 are dropped.
void ParseCookies(RequestTables& t, std::string_view header) {
    size_t i = 0;
    const size_t n = header.size();
    while (i < n) {
        while (i < n && header[i] == ' ') ++i;
        if (i >= n) break;
        size_t name_start = i;
        while (i < n && header[i] != '=' && header[i] != ';') ++i;
        std::string_view name = header.substr(name_start, i - name_start);
        std::string_view value;
        bool has_eq = i < n && header[i] == '=';
        if (has_eq) {
            ++i;
            while (i < n && header[i] == ' ') ++i;
            size_t value_start = i;
            while (i < n && header[i] != ';') ++i;
            value = header.substr(value_start, i - value_start);
        }
        if (has_eq || !name.empty()) {
            if (t.cookies.size() >= RequestTables::kMaxCookies) break;
            t.cookies.push_back(NameValue{std::string(CutView(name, kMaxCookieText)),
                                          std::string(CutView(value, kMaxCookieText))});
        }
        ++i;  // past the ";" (or the end)
    }
}

}  // namespace kavr
