// Result columns of a statement and the rows fetched from them as texts.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "db/odbc_api.h"

namespace kavr {

struct Request;
class ResponseStream;
class Statement;

constexpr size_t kMaxResultColumns = 511;
constexpr size_t kColumnNameChars = 31;

struct ResultColumn {
    std::string name;                // up to 31 characters
    SQLSMALLINT reported_type = 0;   // as the driver describes it
    SQLSMALLINT type = 0;            // closest known type (column_types.h)
    SQLULEN precision = 0;
    SQLSMALLINT scale = 0;
    int width = 0;                   // display width; longer values are cut to it
    bool is_long = false;            // read piecewise up to 8191 characters
    std::vector<char> buffer;        // width + 1 bytes (terminator), bound while a statement runs
    SQLLEN indicator = 0;
};

enum FetchMode {
    kFetchBound,  // columns bound by width, long ones read piecewise (the row engine)
    kFetchWhole,  // every value read up to 8191 characters (lookups of single values)
};

// A result described once and reused by every later run of the same text.
// While a statement is bound to it the record must stay where it is.
struct ResultSet {
    FetchMode mode = kFetchBound;
    bool described = false;
    std::vector<ResultColumn> columns;
    std::vector<std::string> values;    // current row; NULL reads as the empty text
    std::vector<char> nulls;            // 1 where the current row's value is NULL
    std::vector<std::string> previous;  // the row before, for change detection

    // Position of the column of that name (ignoring case), or -1.
    int column_index(std::string_view name) const;
    // The current row's value of the named column, or nullptr.
    const std::string* value(std::string_view name) const;
};

// Describes the result columns of the executed statement the first time
// (names, types, widths) and binds the buffers to this statement. More than
// 511 columns: error page 12040. Describe or bind failure: code 10022.
int PrepareResult(Request& request, Statement& statement, ResultSet& result,
                  SQLSMALLINT column_count, ResponseStream& out);

// Fetches the next row into result.values: 1 a row, -1 end of data, 0 a
// failure (reported with code 10021). A bound value longer than its column
// is cut and the cut is logged.
int FetchRow(Request& request, Statement& statement, ResultSet& result, ResponseStream& out);

}  // namespace kavr
