// Values of a form written into a statement built from a table's columns:
// finding a column's field among the request's variables and writing its
// value as a literal of the column's SQL type. Values come from visitors,
// so a value that cannot be a literal of its type is refused rather than
// pasted into the statement.
#pragma once
#include <string>
#include <string_view>

#include "db/odbc_api.h"
#include "driver/core/request.h"

namespace kavr {

// The URL and form variables of a request, searched by name.
struct FormValues {
    const NameValue* vars = nullptr;
    size_t count = 0;
    // The connection reads backslashes in quoted texts as escapes, so they
    // are doubled like the single quotes.
    bool backslash_escapes = false;

    // The first variable of that name (ignoring case), or nullptr.
    const std::string* find(std::string_view name) const;
};

FormValues RequestFormValues(const Request& request);

// How a type's values are written.
enum LiteralKind {
    kLiteralText,     // quoted, single quotes doubled
    kLiteralDate,     // "{d '...'}"
    kLiteralTime,     // "{t '...'}"
    kLiteralStamp,    // "{ts '...'}"
    kLiteralNumber,   // a number text as it is
    kLiteralBinary,   // hexadecimal digits as X'...'
    kLiteralNull,     // types without a literal form: NULL
};

LiteralKind LiteralKindOf(SQLSMALLINT type);

// An optional sign, digits with at most one decimal point (at least one
// digit), and an optional exponent.
bool IsSqlNumberText(std::string_view text);

// Writes value as a literal of the column type into literal (a text with
// its single quotes doubled, and its backslashes too when the connection
// reads them as escapes). An empty
// number or binary value writes nothing (the statement then fails in the
// driver). 0, with literal empty, when the value cannot be a literal of
// that type: a number column given anything but a number text, a date or
// time column given characters other than digits, blanks and "-:./T", a
// binary column given anything but pairs of hexadecimal digits, or any
// value holding a zero byte.
int FormatColumnValue(SQLSMALLINT type, const std::string& value, std::string& literal,
                      bool backslash_escapes = false);

}  // namespace kavr
