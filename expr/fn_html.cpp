// HTML and URL functions.
#include "driver/core/text_util.h"
#include "expr/builtin_functions.h"

namespace kavr {

namespace {

size_t room(const FunctionCall& call) { return call.size ? call.size - 1 : 0; }

}  // namespace

int FnHTMLEditFormat(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(HtmlEscape(v, room(call)));
}

int FnHTMLCodeFormat(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    const std::string open = "<PRE>", close = "</PRE>";
    size_t limit = room(call) > open.size() + close.size() ? room(call) - open.size() - close.size() : 0;
    return call.Result(open + HtmlEscape(v, limit) + close);
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
