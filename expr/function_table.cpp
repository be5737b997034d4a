#include <unordered_map>
#include <vector>

#include "driver/core/charset.h"
#include "driver/core/text_util.h"
#include "expr/builtin_functions.h"
#include "expr/evaluator.h"
#include "expr/functions.h"
#include "expr/lexer.h"
#include "expr/values.h"

namespace kavr {

namespace {

struct FunctionRow {
    std::string name;
    FunctionHandler handler;
};

// Rows in lookup order. A null handler is a function whose layer fills it
// in at start-up through RegisterFunction.
std::vector<FunctionRow>& table() {
    static std::vector<FunctionRow> rows = {
        {"valuelist", nullptr},
        {"quotedvaluelist", nullptr},
        {"preservesinglequotes", FnPreserveSingleQuotes},
        {"URLEncodedFormat", FnURLEncodedFormat},
        {"DateFormat", FnDateFormat},
        {"TimeFormat", FnTimeFormat},
        {"NumberFormat", FnNumberFormat},
        {"DecimalFormat", FnDecimalFormat},
        {"CurrentDateTime", FnCurrentDateTime},
        {"CurrentTime", FnCurrentTime},
        {"CurrentDate", FnCurrentDate},
        {"Rnd", FnRnd},
        {"DollarFormat", FnDollarFormat},
        {"YesNoFormat", FnYesNoFormat},
        {"StripCR", FnStripCR},
        {"StrReplace", FnStrReplace},
        {"Format", FnFormat},
        {"ParagraphFormat", FnParagraphFormat},
        {"HTMLCodeFormat", FnHTMLCodeFormat},
        {"HTMLEditFormat", FnHTMLEditFormat},
        {"ParameterExists", FnParameterExists},
        {"IncrementValue", FnIncrementValue},
        {"DecrementValue", FnDecrementValue},
        {"DefaultFileName", FnDefaultFileName},
        {"Len", FnLen},
        {"StrCat", FnStrCat},
        {"Left", FnLeftRightMid},
        {"Right", FnLeftRightMid},
        {"Mid", FnLeftRightMid},
        {"InStr", FnInStr},
        {"LCase", FnLCase},
        {"UCase", FnUCase},
        {"Asc", FnAsc},
        {"Chr", FnChr},
        {"Abs", FnAbs},
        {"Int", FnInt},
        {"IsNumeric", FnIsNumeric},
        {"IsDate", FnIsDate},
        {"DateDiff", FnDateDiff},
        {"WeekDay", FnWeekDay},
        {"LTrim", FnTrim},
        {"RTrim", FnTrim},
        {"Trim", FnTrim},
        {"ArrayCount", FnArrayCount},
        {"Escape", FnEscape},
        {"KavIniRefresh", nullptr},
        {"KavGetConnection", FnKavGetConnection},
        {"KavIniGet", nullptr},
        {"UploadFile", nullptr},
        {"ValidateCC", FnValidateCC},
        {"DecodeCC", FnDecodeCC},
        {"GetTempFileName", nullptr},
        {"CurrentPath", nullptr},
    };
    return rows;
}

// Rows by lower-case name; the first row of a name wins, as in a scan.
std::unordered_map<std::string, size_t>& index() {
    static std::unordered_map<std::string, size_t> by_name = [] {
        std::unordered_map<std::string, size_t> m;
        for (size_t i = 0; i < table().size(); ++i) m.emplace(ToLower(table()[i].name), i);
        return m;
    }();
    return by_name;
}

FunctionRow* find_row(std::string_view name) {
    auto it = index().find(ToLower(name));
    return it == index().end() ? nullptr : &table()[it->second];
}

}  // namespace

unsigned g_function_version = 0;

void RegisterFunction(const char* name, FunctionHandler handler) {
    ++g_function_version;
    if (FunctionRow* row = find_row(name)) {
        row->handler = handler;
        return;
    }
    index().emplace(ToLower(name), table().size());
    table().push_back(FunctionRow{name, handler});
}

bool FindFunction(std::string_view name, FunctionHandler* handler) {
    const FunctionRow* row = find_row(name);
    if (!row) return false;
    *handler = row->handler;
    return true;
}

unsigned FunctionTableVersion() { return g_function_version; }

std::vector<std::string> FunctionNames() {
    std::vector<std::string> names;
    for (const FunctionRow& row : table()) names.push_back(row.name);
    return names;
}

bool IsFunctionName(std::string_view name) {
    FunctionHandler handler;
    return FindFunction(name, &handler);
}

int ReadArgument(Lexer& lex, std::string& value, Request& r, const RowView& row) {
    // Quoted strings keep their doubled quotes so the argument can be read
    // again by the expression parser.
    bool saved = lex.keep_doubled_quotes();
    lex.set_keep_doubled_quotes(true);
    std::string arg = "#", item;
    int depth = 0, items = 0, last_class = kTokEnd, result = 0;
    for (;;) {
        int cls = lex.ReadItem(true, item);
        if (cls == kTokEnd) break;
        bool punct = cls == kTokPunct;
        if (punct && item == "(") ++depth;
        if (punct && item == ")" && --depth < 0) {
            result = 2;
            break;
        }
        if (punct && item == "," && depth == 0) {
            result = 1;
            break;
        }
        // One blank where the call had white space keeps word operators
        // (a gt b, x AND y) apart.
        if (items > 0 && !lex.whitespace().empty()) arg += ' ';
        arg += item;
        ++items;
        last_class = cls;
    }
    lex.set_keep_doubled_quotes(saved);
    if (result == 0) return 0;

    std::string body = arg.substr(1);
    bool is_string = items == 1 && last_class == kTokString;
    value.clear();
    if (is_string) {
        value = StripQuotes(body);
        for (size_t at = 0; (at = value.find("\"\"", at)) != std::string::npos; ++at) value.erase(at, 1);
    } else if (IsNumber(body)) {
        value = body;
    } else {
        arg += "#";
        if (compute_exp(arg, value, kValueSize, r, row) != 1) return 0;
    }
    CutText(value, kValueSize - 1);
    return result;
}

int ReadRawArgument(Lexer& lex, std::string& text) {
    bool saved = lex.keep_doubled_quotes();
    lex.set_keep_doubled_quotes(false);
    text.clear();
    std::string item;
    int depth = 0, ok = 0;
    for (bool first = true;; first = false) {
        int cls = lex.ReadItem(true, item);
        if (cls == kTokEnd) break;
        if (cls == kTokPunct && item == "(") ++depth;
        if (cls == kTokPunct && item == ")" && --depth < 0) {
            ok = 1;
            break;
        }
        if (!first) text += lex.whitespace();
        text += item;
    }
    lex.set_keep_doubled_quotes(saved);
    return ok;
}

int FunctionCall::Open() {
    std::string tok;
    return lexer.NextToken(tok) == kTokPunct && tok == "(" ? 1 : 0;
}

int FunctionCall::Argument(std::string& value) {
    return ReadArgument(lexer, value, request, row);
}

int FunctionCall::OneArgument(std::string& value) {
    std::vector<std::string> args;
    if (!Arguments(args, 1, 1)) return 0;
    value = std::move(args[0]);
    return 1;
}

int FunctionCall::Arguments(std::vector<std::string>& values, size_t min, size_t max) {
    values.clear();
    if (!Open()) return 0;
    for (;;) {
        std::string v;
        int more = Argument(v);
        if (more == 0) return 0;
        values.push_back(std::move(v));
        if (more == 2) break;
    }
    // "f()" reads as one empty argument.
    if (values.size() == 1 && values[0].empty() && min == 0) values.clear();
    return values.size() >= min && values.size() <= max ? 1 : 0;
}

int FunctionCall::Result(std::string_view value) {
    out.assign(CutView(value, size ? size - 1 : 0));
    return 1;
}

}  // namespace kavr
