// HTML and URL functions.
#include <cstdio>

#include "expr/builtin_functions.h"

namespace kavr {

namespace {

// The HTML form of one byte; empty for a byte that is dropped.
std::string escape_byte(unsigned char c) {
    switch (c) {
        case '<': return "&lt;";
        case '>': return "&gt;";
        case '"': return "&quot;";
        case '&': return "&amp;";
        case '`': return "&#96;";
        case '\r': return "";
        default: break;
    }
    if (c >= 224 || (c >= 180 && c <= 220) || c == 160 || c == 161 || c == 163 || c == 165 ||
        c == 169) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "&#%3d;", c);
        return buf;
    }
    return std::string(1, static_cast<char>(c));
}

// Escapes v into at most limit characters: escaping stops before the
// first piece that would not fit whole.
std::string html_escape(const std::string& v, size_t limit) {
    std::string out;
    for (char ch : v) {
        std::string piece = escape_byte(static_cast<unsigned char>(ch));
        if (out.size() + piece.size() > limit) break;
        out += piece;
    }
    return out;
}

size_t room(const FunctionCall& call) { return call.size ? call.size - 1 : 0; }

}  // namespace

int FnHTMLEditFormat(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(html_escape(v, room(call)));
}

int FnHTMLCodeFormat(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    const std::string open = "<PRE>", close = "</PRE>";
    size_t limit = room(call) > open.size() + close.size() ? room(call) - open.size() - close.size() : 0;
    return call.Result(open + html_escape(v, limit) + close);
}

int FnParagraphFormat(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    std::string out;
    for (size_t i = 0; i < v.size();) {
        if (v.compare(i, 4, "\r\n\r\n") == 0) {
            out += "<P>\n";
            i += 4;
        } else if (v.compare(i, 2, "\r\n") == 0) {
            out += ' ';
            i += 2;
        } else {
            out += v[i++];
        }
    }
    return call.Result(out);
}

int FnURLEncodedFormat(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : v) {
        unsigned char c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            out += ch;
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return call.Result(out);
}

}  // namespace kavr
