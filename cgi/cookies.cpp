// The HTTP_COOKIE header: "name=value" pairs separated by ";"; the "%XX"
// escapes that kavcookie writes are decoded.
#include "cgi/cookie_text.h"
#include "cgi/decode.h"
#include "driver/core/charset.h"

namespace kavr {

static constexpr size_t kMaxCookieText = 1023;

static bool must_escape(unsigned char c, bool is_name) {
    return c <= ' ' || c == 127 || c == ';' || c == ',' || c == '"' || c == '\\' || c == '%' ||
           (is_name && c == '=');
}

std::string CookieEncode(std::string_view text, bool is_name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (must_escape(c, is_name)) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

static int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string CookieDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        int hi, lo;
        if (text[i] == '%' && i + 2 < text.size() && (hi = hex_digit(text[i + 1])) >= 0 &&
            (lo = hex_digit(text[i + 2])) >= 0 &&
            must_escape(static_cast<unsigned char>(hi * 16 + lo), true)) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A cookie without "=" is a name with an empty value; an empty piece
// (";;" or a trailing ";") is skipped. Names and values longer than 1023
// characters are cut to 1023. Cookies beyond the table's 256 are dropped.
// A name or value cut to 1023 characters before it is decoded; what it
// decodes to ends before a character that the cut split, also one written
// as "%XX" escapes.
static std::string cookie_text(std::string_view raw) {
    std::string text = CookieDecode(CutView(raw, kMaxCookieText));
    if (raw.size() > kMaxCookieText) DropIncompleteTail(text);
    return text;
}

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
            t.cookies.push_back(NameValue{cookie_text(name), cookie_text(value)});
        }
        ++i;  // past the ";" (or the end)
    }
}

}  // namespace kavr
