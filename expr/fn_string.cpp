// String functions.
#include <cstdint>

#include "driver/core/case_map.h"
#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/builtin_functions.h"
#include "expr/lexer.h"
#include "expr/values.h"

namespace kavr {

namespace {

// An integer argument: optional sign and digits, read as "%d" (saturating).
bool integer_argument(const std::string& v, int& out) { return IsInteger(v) && ReadInt32(v, out); }

// The byte offset of the first occurrence of search that starts at a
// character from byte offset from on, or npos. Without regard to case both
// texts are compared in lower case (which keeps every byte offset).
size_t find_from(const std::string& text, const std::string& search, size_t from, bool ignore_case) {
    if (from > text.size()) return std::string::npos;
    const std::string folded_text = ignore_case ? LowerCase(text) : std::string();
    const std::string folded_search = ignore_case ? LowerCase(search) : std::string();
    const std::string& t = ignore_case ? folded_text : text;
    const std::string& s = ignore_case ? folded_search : search;
    for (size_t at = from; at + s.size() <= t.size(); at += CharLengthAt(text, at))
        if (t.compare(at, s.size(), s) == 0) return at;
    return std::string::npos;
}

long long char_count(const std::string& text) { return static_cast<long long>(CharCount(text)); }

// The text from character start (0-based) on, at most count characters.
std::string chars(const std::string& text, long long start, long long count) {
    size_t from = CharOffset(text, static_cast<size_t>(start));
    std::string_view rest = std::string_view(text).substr(from);
    return std::string(rest.substr(0, CharOffset(rest, static_cast<size_t>(count))));
}

}  // namespace

int FnLen(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(FormatInt(char_count(v)));
}

int FnStrCat(FunctionCall& call) {
    int tid = call.request.thread_number;
    if (LogWanted(1)) WriteLog(tid, 1, "In Strcat: " + call.text + "\n");
    std::vector<std::string> args;
    if (!call.Arguments(args, 0, static_cast<size_t>(-1))) return 0;
    std::string joined;
    for (const std::string& a : args) {
        joined += a;
        if (joined.size() >= kValueSize - 1) break;
    }
    CutText(joined, kValueSize - 1);
    if (LogWanted(1)) WriteLog(tid, 1, "Out Strcat: " + joined + "\n");
    return call.Result(joined);
}

int FnStrReplace(FunctionCall& call) {
    if (LogWanted(1)) WriteLog(call.request.thread_number, 1, "In StrReplace: " + call.text + "\n");
    std::vector<std::string> args;
    if (!call.Arguments(args, 3, 4)) return 0;
    const std::string &text = args[0], &old = args[1], &repl = args[2];
    int ignore_case = 0;
    if (args.size() == 4) ReadInt32(args[3], ignore_case);
    if (text.empty() || old.empty()) return call.Result(text);
    std::string out;
    size_t from = 0;
    for (;;) {
        size_t at = find_from(text, old, from, ignore_case != 0);
        if (at == std::string::npos) break;
        out.append(text, from, at - from);
        out += repl;
        from = at + old.size();
        if (out.size() >= kValueSize) break;  // the result is cut anyway
    }
    if (from < text.size()) out.append(text, from, std::string::npos);
    CutText(out, kValueSize - 1);
    return call.Result(out);
}

int FnLeftRightMid(FunctionCall& call) {
    std::vector<std::string> args;
    bool mid = EqualsNoCase(call.name, "mid");
    bool left = !mid && EqualsNoCase(call.name, "left");
    if (!call.Arguments(args, 2, mid ? 3 : 2)) return 0;
    const std::string& text = args[0];
    int a = 0;
    if (!integer_argument(args[1], a)) return 0;
    long long len = char_count(text);
    if (mid) {
        long long start = a < 1 ? 1 : a;  // a start below 1 reads as 1
        int count = static_cast<int>(len > INT32_MAX ? INT32_MAX : len);
        if (args.size() == 3 && !integer_argument(args[2], count)) return 0;
        if (start > len || count <= 0) return call.Result("");
        return call.Result(chars(text, start - 1, count));
    }
    if (a <= 0) return call.Result("");
    if (left) return call.Result(chars(text, 0, a));
    if (len < a) return call.Result("");
    return call.Result(chars(text, len - a, a));
}

int FnInStr(FunctionCall& call) {
    if (LogWanted(1)) WriteLog(call.request.thread_number, 1, "In InStr: " + call.text + "\n");
    std::vector<std::string> args;
    if (!call.Arguments(args, 2, 4)) return 0;
    int start = 1, flag = 0;
    const std::string *text, *search;
    const std::string* case_arg = nullptr;
    // A leading integer is the start position, whether it was written
    // quoted or not: every argument counts by its value.
    bool leading_start = IsInteger(args[0]);
    if (args.size() == 2) {
        text = &args[0];
        search = &args[1];
    } else if (args.size() == 3 && leading_start) {
        ReadInt32(args[0], start);
        text = &args[1];
        search = &args[2];
    } else if (args.size() == 3) {
        text = &args[0];
        search = &args[1];
        case_arg = &args[2];
    } else if (leading_start) {
        ReadInt32(args[0], start);
        text = &args[1];
        search = &args[2];
        case_arg = &args[3];
    } else {
        return 0;
    }
    if (case_arg && IsInteger(*case_arg)) ReadInt32(*case_arg, flag);
    if (start < 1) start = 1;
    size_t from = CharOffset(*text, static_cast<size_t>(start - 1));
    if (static_cast<long long>(start - 1) > char_count(*text)) return call.Result("0");
    size_t at = find_from(*text, *search, from, flag != 0);
    if (at == std::string::npos) return call.Result("0");
    return call.Result(FormatInt(char_count(text->substr(0, at)) + 1));
}

int FnLCase(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(LowerCase(v));
}

int FnUCase(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(UpperCase(v));
}

int FnTrim(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    bool trim_left = !EqualsNoCase(call.name, "RTrim");
    bool trim_right = !EqualsNoCase(call.name, "LTrim");
    size_t b = 0, e = v.size();
    if (trim_left)
        while (b < e && v[b] == ' ') ++b;
    if (trim_right)
        while (e > b && v[e - 1] == ' ') --e;
    return call.Result(v.substr(b, e - b));
}

// On a utf-8 site the code point of the first character (a byte outside a
// valid sequence gives its own value, 128 to 255); else the first byte as
// a signed 8-bit number.
int FnAsc(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    if (v.empty()) return call.Result("0");
    uint32_t cp = static_cast<unsigned char>(v[0]);
    if (!Utf8Site()) return call.Result(FormatInt(static_cast<signed char>(v[0])));
    Utf8SequenceAt(v, 0, &cp);
    return call.Result(FormatInt(cp));
}

// On a utf-8 site the character of that code point (empty for 0 and for a
// number that is no character); else the byte of the low 8 bits.
int FnChr(FunctionCall& call) {
    std::string v;
    int code = 0;
    if (!call.OneArgument(v) || !integer_argument(v, code)) return 0;
    if (Utf8Site()) return call.Result(code <= 0 ? std::string() : EncodeUtf8(static_cast<uint32_t>(code)));
    char c = static_cast<char>(static_cast<unsigned char>(static_cast<unsigned>(code) & 0xFFu));
    return call.Result(c == '\0' ? std::string() : std::string(1, c));
}

int FnAbs(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    size_t minus = v.find('-');
    if (minus != std::string::npos) v.erase(minus, 1);
    return call.Result(v);
}

int FnInt(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    std::string whole = v.substr(0, v.find('.'));
    long long n = 0;  // "%ld": 64 bits here, saturating
    if (!ReadInt64(whole, n)) {
        // ".5" and "-.5" have an empty integer part.
        if (!(whole.empty() || whole == "-" || whole == "+")) return 0;
    }
    return call.Result(FormatInt(n));
}

int FnIsNumeric(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(IsNumber(v) ? "1" : "0");
}

int FnStripCR(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    std::string out;
    for (char c : v)
        if (c != '\r') out += c;
    return call.Result(out);
}

int FnEscape(FunctionCall& call) {
    std::string raw;
    if (!call.Open() || !ReadRawArgument(call.lexer, raw)) return 0;
    return call.Result(StripQuotes(raw));
}

}  // namespace kavr
