#include "expr/variables.h"

#include "cgi/scopes.h"
#include "cgi/validate.h"
#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_cache.h"
#include "driver/core/text_util.h"
#include "expr/evaluator.h"
#include "expr/lexer.h"
#include "expr/resolve.h"
#include "expr/text_pieces.h"

namespace kavr {

namespace {

std::string strip_hashes(std::string_view s) {
    if (s.size() >= 2 && s.front() == '#' && s.back() == '#') return std::string(s.substr(1, s.size() - 2));
    return std::string(s);
}

bool is_word(int cls) { return cls == kTokIdent || cls == kTokOther; }

// A reference whose first token is an identifier names something (a
// variable, a scoped name, an element or a function call); anything else
// is an expression.
bool is_name_reference(const std::string& body) {
    Lexer lex(body, kRefHashIsChar);
    std::string tok;
    return lex.NextToken(tok) == kTokIdent;
}

// SQL quoting of a request parameter's value.
std::string sql_quote(const std::string& v) {
    std::string out;
    for (char c : v) {
        if (c == '\'') {
            out += "''";
        } else if (c == '|') {
            out += "'|'";
        } else {
            out += c;
        }
    }
    return out;
}

// True when a name in the reference is a URL or form parameter: its value
// may carry the visitor's text, quotes included (#name#, #form.name#,
// #Trim(name)#).
bool names_parameter(const Request& r, const std::string& reference) {
    if (IsParameter(r.input, reference)) return true;
    Lexer lex(strip_hashes(reference), kRefHashIsChar);
    std::string tok;
    for (int cls; (cls = lex.NextToken(tok)) != kTokEnd;)
        if (cls == kTokIdent && IsParameter(r.input, tok)) return true;
    return false;
}

// True when a reference reads a request value through a URL, form, cookie
// or CGI name (#id#, #form.id#, #cookie.sort#, #Trim(url.q)#).
bool names_request_value(const Request& r, const std::string& reference) {
    if (names_parameter(r, reference)) return true;
    Lexer lex(strip_hashes(reference), kRefHashIsChar);
    std::string tok, unused;
    for (int cls; (cls = lex.NextToken(tok)) != kTokEnd;) {
        if (cls != kTokIdent) continue;
        if (EqualsNoCase(tok, "cookie") || EqualsNoCase(tok, "cgi")) {
            std::string dot;
            if (lex.NextToken(dot) == kTokPunct && dot == ".") return true;
            lex.PushBack(dot);
            continue;
        }
        if (CookieLookup(r.input, tok, unused, 2) || CgiLookup(tok, unused, 2)) return true;
    }
    return false;
}

bool is_number_list(std::string_view v) {
    for (;;) {
        size_t comma = v.find(',');
        std::string_view item = v.substr(0, comma);
        while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
        if (!IsNumberText(item)) return false;
        if (comma == std::string_view::npos) return true;
        v.remove_prefix(comma + 1);
    }
}

bool is_identifier(std::string_view v) {
    if (v.empty()) return false;
    for (char c : v)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '.'))
            return false;
    return true;
}

}  // namespace

bool IsSqlSafeBareValue(std::string_view value) {
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
    return value.empty() || is_number_list(value) || is_identifier(value);
}

namespace {

NameForm classify_name_form(std::string_view form) {
    NameForm nf;
    Lexer lex(form, kRefHashIsChar);
    std::string tok;
    int cls = lex.NextToken(tok);
    bool hashed = cls == kTokPunct && tok == "#";
    if (hashed) cls = lex.NextToken(tok);
    if (!is_word(cls)) return nf;
    nf.name = tok;
    cls = lex.NextToken(tok);
    NameFormKind kind = kNamePlain;
    if (cls == kTokPunct && tok == "[") {
        int depth = 1;
        std::string index;
        for (;;) {
            cls = lex.NextToken(tok);
            if (cls == kTokEnd) return nf;
            if (cls == kTokPunct && tok == "[") ++depth;
            if (cls == kTokPunct && tok == "]" && --depth == 0) break;
            if (!index.empty()) index += lex.whitespace();
            index += tok;
        }
        kind = index.empty() ? kNameList : kNameElement;
        nf.index_expr = index;
        cls = lex.NextToken(tok);
    }
    if (hashed) {
        if (!(cls == kTokPunct && tok == "#")) return nf;
        cls = lex.NextToken(tok);
    }
    if (cls != kTokEnd) return nf;
    nf.kind = kind;
    return nf;
}

}  // namespace

// Name forms are read once per process: the same few appear again and
// again in loops.
NameForm ClassifyNameForm(std::string_view form) {
    static TextCache<NameForm> cache(classify_name_form, 4096, 1u << 20);
    return *cache.get(form);
}

int SetVariable(Request& r, std::string_view name_form, std::string_view value, int index) {
    std::string body = strip_hashes(name_form);
    Lexer lex(body, kRefHashIsChar);
    std::string name;
    if (lex.NextToken(name) == kTokEnd) return 0;
    return r.vars.set(name, value, index);
}

int AssignList(Request& r, const std::string& name, std::string_view value) {
    if (value.empty()) return r.vars.set(name, "", 0);
    char sep = value[0];
    std::string_view rest = value.substr(1);
    int index = 0;
    for (;;) {
        size_t at = rest.find(sep);
        if (!r.vars.set(name, rest.substr(0, at), index++)) return 0;
        if (at == std::string_view::npos) return 1;
        rest = rest.substr(at + 1);
    }
}

int AssignVariable(Request& r, std::string_view name_form, std::string_view value, const RowView& row) {
    return AssignVariable(r, ClassifyNameForm(name_form), value, row);
}

int AssignVariable(Request& r, const NameForm& nf, std::string_view value, const RowView& row) {
    switch (nf.kind) {
        case kNamePlain:
            return r.vars.set(nf.name, value, 0);
        case kNameList:
            return AssignList(r, nf.name, value);
        case kNameElement: {
            std::string index_text;
            if (compute_exp("#" + nf.index_expr + "#", index_text, kValueSize, r, row) != 1) return 0;
            int index = 0;
            if (!ParseLeadingInt(index_text, index)) return 0;
            return r.vars.set(nf.name, value, index);
        }
        default:
            return 0;
    }
}

void LogLookupStart(Request& r, const std::string& reference) {
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Get value for: " + reference + "\n");
}

void LogLookupValue(Request& r, std::string_view value) {
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "The value is: " + std::string(value) + "\n");
}

int LookupValue(const std::string& reference, std::string& out, size_t size, Request& r, const RowView& row,
                const ReferenceForm* form) {
    LogLookupStart(r, reference);
    std::string value = reference;
    if (ResolveReference(kTokReference, value, size, r, row, form)) {
        LogLookupValue(r, value);
        out = std::move(value);
        return 1;
    }
    std::string body = strip_hashes(reference);
    bool name = is_name_reference(body);
    if (r.var_exist_check && !r.parameter_probe && name) {
        r.vars.set("CurVarName__", body, 0);
        ReportError(r, "10810", r.out);
    }
    if (name && LogWanted(2)) WriteLog(r.thread_number, 2, "Warning: No definition for " + body + "\n");
    WriteLog(r.thread_number, 3, "Error: No definition for this variable\n");
    return 0;
}

// Outside a quoted literal a request value could change the statement
// itself ("0 OR 1=1"): refused, with the reference named.
static void report_bare_sql_value(Request& r, const std::string& reference) {
    std::string body = strip_hashes(reference);
    WriteLog(r.thread_number, 3,
             "Error: Request value outside quotes in SQL is not a number or a name: " + reference +
                 "\n");
    r.vars.set("CurVarName__", body, 0);
    if (!ReportError(r, "10460", r.out))
        r.out.write("Error: The value of " + HtmlEscape(body) +
                    " may stand outside quotes in SQL only as a number, a list of numbers or a name<BR>");
}

int ExpandAttribute(ExpandMode mode, std::string& text, size_t size, Request& r, const RowView& row) {
    return ExpandSplitText(mode, *SplitAttributeText(text, mode == kExpandSql ? kRefCollapse : kRefKeepDouble),
                           text, size, r, row);
}

int ExpandSplitText(ExpandMode mode, const SplitText& split_text, std::string& text, size_t size, Request& r,
                    const RowView& row) {
    const SplitText* split = &split_text;
    CappedText work(kExpandSize - 1);
    bool in_literal = false;  // SQL mode: inside a quoted literal of the statement
    for (const TextPiece& piece : split->pieces) {
        if (!piece.reference) {
            // The statement's own quotes: a doubled quote toggles twice.
            for (char c : piece.text)
                if (c == '\'') in_literal = !in_literal;
            work.append(piece.text);
            continue;
        }
        std::string value;
        if (compute_exp(piece.text, value, kValueSize, r, row) != 1) return 0;
        if (mode == kExpandSql && !in_literal && !IsSqlSafeBareValue(value) &&
            names_request_value(r, piece.text)) {
            report_bare_sql_value(r, piece.text);
            return 0;
        }
        if (mode == kExpandSql && names_parameter(r, piece.text) &&
            piece.text.find("PreserveSingleQuotes") == std::string::npos)
            value = sql_quote(value);
        if (mode == kExpandHtml) value = HtmlEscape(value);
        work.append(value);
    }
    text = work.take();
    CutToSize(text, size);
    return 1;
}

}  // namespace kavr
