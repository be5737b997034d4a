// String functions.
#include <cstdint>

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

std::string upper_ascii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

size_t find_from(const std::string& text, const std::string& search, size_t from, bool ignore_case) {
    if (from > text.size()) return std::string::npos;
    if (!ignore_case) return text.find(search, from);
    size_t at = FindNoCase(std::string_view(text).substr(from), search);
    return at == std::string_view::npos ? std::string::npos : at + from;
}

}  // namespace

int FnLen(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(FormatInt(static_cast<long long>(v.size())));
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
    if (joined.size() > kValueSize - 1) joined.resize(kValueSize - 1);
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
    if (out.size() > kValueSize - 1) out.resize(kValueSize - 1);
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
    long long len = static_cast<long long>(text.size());
    if (mid) {
        long long start = a < 1 ? 1 : a;  // a start below 1 reads as 1
        int count = static_cast<int>(len > INT32_MAX ? INT32_MAX : len);
        if (args.size() == 3 && !integer_argument(args[2], count)) return 0;
        if (start > len || count <= 0) return call.Result("");
        return call.Result(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
    }
    if (a <= 0) return call.Result("");
    if (left) return call.Result(text.substr(0, static_cast<size_t>(a)));
    if (len < a) return call.Result("");
    return call.Result(text.substr(static_cast<size_t>(len - a)));
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
    size_t at = find_from(*text, *search, static_cast<size_t>(start - 1), flag != 0);
    return call.Result(FormatInt(at == std::string::npos ? 0 : static_cast<long long>(at) + 1));
}

int FnLCase(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(ToLower(v));
}

int FnUCase(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    return call.Result(upper_ascii(v));
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

int FnAsc(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v)) return 0;
    int code = v.empty() ? 0 : static_cast<int>(static_cast<signed char>(v[0]));
    return call.Result(FormatInt(code));
}

int FnChr(FunctionCall& call) {
    std::string v;
    int code = 0;
    if (!call.OneArgument(v) || !integer_argument(v, code)) return 0;
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
