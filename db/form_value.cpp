#include "db/form_value.h"

#include <algorithm>

#include "driver/core/text_util.h"

namespace kavr {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool is_hex_digit(char c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Date and time texts are digits and their separators; nothing in them can
// end the quoted part of an escape such as {d '...'}.
bool is_date_time_text(std::string_view text) {
    for (char c : text)
        if (!is_digit(c) && c != '-' && c != ':' && c != '.' && c != '/' && c != ' ' && c != 'T')
            return false;
    return true;
}

std::string_view trim_blanks(std::string_view s) {
    size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::string_view();
    size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::string quoted(std::string_view value, bool backslash_escapes) {
    std::string s = "'";
    for (char c : value) {
        if (c == '\'' || (c == '\\' && backslash_escapes)) s += c;
        s += c;
    }
    s += '\'';
    return s;
}

}  // namespace

const std::string* FormValues::find(std::string_view name) const {
    for (size_t i = 0; i < count; ++i)
        if (EqualsNoCase(vars[i].name, name)) return &vars[i].value;
    return nullptr;
}

FormValues RequestFormValues(const Request& request) {
    const RequestTables& t = request.input;
    return FormValues{t.vars.data(), std::min(t.form_end, t.vars.size())};
}

LiteralKind LiteralKindOf(SQLSMALLINT type) {
    switch (type) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
        return kLiteralText;
    case SQL_DATE:
        return kLiteralDate;
    case SQL_TIME:
        return kLiteralTime;
    case SQL_TIMESTAMP:
        return kLiteralStamp;
    case SQL_BINARY:
        return kLiteralBinary;
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        return kLiteralNumber;
    default:
        return kLiteralNull;
    }
}

bool IsSqlNumberText(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (is_digit(s[i])) {
            ++digits;
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t exponent_digits = 0;
        for (; i < s.size() && is_digit(s[i]); ++i) ++exponent_digits;
        if (exponent_digits == 0) return false;
    }
    return i == s.size();
}

int FormatColumnValue(SQLSMALLINT type, const std::string& value, std::string& literal,
                      bool backslash_escapes) {
    literal.clear();
    if (value.find('\0') != std::string::npos) return 0;
    switch (LiteralKindOf(type)) {
    case kLiteralText:
        literal = quoted(value, backslash_escapes);
        return 1;
    case kLiteralDate:
    case kLiteralTime:
    case kLiteralStamp: {
        if (!is_date_time_text(value)) return 0;
        LiteralKind kind = LiteralKindOf(type);
        literal = kind == kLiteralDate ? "{d '" : kind == kLiteralTime ? "{t '" : "{ts '";
        literal += value;
        literal += "'}";
        return 1;
    }
    case kLiteralNumber: {
        std::string_view number = trim_blanks(value);
        if (value.empty()) return 1;
        if (!IsSqlNumberText(number)) return 0;
        literal = std::string(number);
        return 1;
    }
    case kLiteralBinary: {
        if (value.empty()) return 1;
        if (value.size() % 2 != 0) return 0;
        for (char c : value)
            if (!is_hex_digit(c)) return 0;
        literal = "X'" + value + "'";
        return 1;
    }
    case kLiteralNull:
        literal = "NULL";
        return 1;
    }
    return 0;
}

}  // namespace kavr
