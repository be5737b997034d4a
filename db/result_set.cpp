#include "db/result_set.h"

#include <cstdio>
#include <cstring>

#include "db/column_types.h"
#include "db/odbc_error.h"
#include "db/statement.h"
#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"

namespace kavr {

int ResultSet::column_index(std::string_view name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (EqualsNoCase(columns[i].name, name)) return static_cast<int>(i);
    return -1;
}

const std::string* ResultSet::value(std::string_view name) const {
    int i = column_index(name);
    if (i < 0 || static_cast<size_t>(i) >= values.size()) return nullptr;
    return &values[i];
}

namespace {

bool describe(Request& r, Statement& st, ResultSet& rs, SQLSMALLINT count, ResponseStream& out) {
    rs.described = false;
    rs.columns.assign(count, ResultColumn());
    for (SQLSMALLINT i = 0; i < count; ++i) {
        ResultColumn& col = rs.columns[i];
        SQLCHAR name[kColumnNameChars + 1] = {0};
        SQLSMALLINT name_length = 0, scale = 0, nullable = 0;
        SQLULEN precision = 0;
        SQLRETURN rc = SQLDescribeCol(st.handle(), i + 1, name, sizeof name, &name_length,
                                      &col.reported_type, &precision, &scale, &nullable);
        if (!OdbcOk(rc)) {
            ReportOdbcError(r, st.handle(), "10022", out);
            return false;
        }
        col.name.assign(reinterpret_cast<const char*>(name),
                        strnlen(reinterpret_cast<const char*>(name), kColumnNameChars));
        col.type = ClosestKnownType(col.reported_type);
        col.precision = PrecisionForType(col.reported_type, precision);
        col.scale = scale;
        ColumnWidth w = WidthForColumn(col.type, col.precision, col.name.size());
        col.width = w.width;
        col.is_long = w.is_long;
        if (!col.is_long) col.buffer.assign(static_cast<size_t>(col.width) + 1, 0);
    }
    rs.described = true;
    return true;
}

bool bind(Request& r, Statement& st, ResultSet& rs, ResponseStream& out) {
    if (rs.mode != kFetchBound) return true;
    for (size_t i = 0; i < rs.columns.size(); ++i) {
        ResultColumn& col = rs.columns[i];
        if (col.is_long) continue;
        // The whole buffer, terminator included: a value of exactly the
        // display width (a date, a time) is kept whole.
        SQLRETURN rc = SQLBindCol(st.handle(), static_cast<SQLUSMALLINT>(i + 1), SQL_C_CHAR,
                                  col.buffer.data(), col.width + 1, &col.indicator);
        if (!OdbcOk(rc)) {
            ReportOdbcError(r, st.handle(), "10022", out);
            return false;
        }
    }
    return true;
}

// Reads one value piecewise as text, cut to the long value size.
bool read_whole(Statement& st, size_t index, std::string& value, char& is_null) {
    char buf[kLongValueChars + 1];
    buf[0] = 0;
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(st.handle(), static_cast<SQLUSMALLINT>(index + 1), SQL_C_CHAR, buf,
                              sizeof buf, &indicator);
    is_null = 0;
    value.clear();
    if (rc == SQL_NO_DATA) return true;
    if (!OdbcOk(rc)) return false;
    if (indicator == SQL_NULL_DATA) {
        is_null = 1;
        return true;
    }
    buf[kLongValueChars] = 0;
    value.assign(buf, strnlen(buf, kLongValueChars));
    // The driver cuts at the byte; a character it split is left out whole.
    if (indicator == SQL_NO_TOTAL || indicator > static_cast<SQLLEN>(kLongValueChars)) DropIncompleteTail(value);
    return true;
}

void read_bound(const Request& r, ResultColumn& col, size_t index, std::string& value,
                char& is_null) {
    value.clear();
    is_null = 0;
    if (col.indicator == SQL_NULL_DATA) {
        is_null = 1;
        return;
    }
    const size_t width = static_cast<size_t>(col.width);
    size_t kept = strnlen(col.buffer.data(), width);
    if (col.indicator != SQL_NO_TOTAL && col.indicator > col.width) {
        char line[64];
        snprintf(line, sizeof line, "%d chars truncated, col %d\n",
                 static_cast<int>(col.indicator - col.width), static_cast<int>(index));
        WriteLog(r.thread_number, 1, line);
    }
    value.assign(col.buffer.data(), kept);
    if (col.indicator == SQL_NO_TOTAL || col.indicator > col.width) DropIncompleteTail(value);
}

}  // namespace

int PrepareResult(Request& r, Statement& st, ResultSet& rs, SQLSMALLINT count,
                  ResponseStream& out) {
    if (count < 0 || static_cast<size_t>(count) > kMaxResultColumns) {
        ReportError(r, "12040", out);
        return 0;
    }
    // The same text may describe differently once the tables behind it changed.
    if (!rs.described || rs.columns.size() != static_cast<size_t>(count)) {
        if (!describe(r, st, rs, count, out)) return 0;
    }
    if (!bind(r, st, rs, out)) return 0;
    rs.values.assign(count, std::string());
    rs.nulls.assign(count, 0);
    rs.previous.clear();
    return 1;
}

int FetchRow(Request& r, Statement& st, ResultSet& rs, ResponseStream& out) {
    if (rs.columns.empty()) return -1;
    rs.values.resize(rs.columns.size());
    rs.nulls.resize(rs.columns.size());
    SQLRETURN rc = SQLFetch(st.handle());
    if (rc == SQL_NO_DATA) return -1;
    if (!OdbcOk(rc)) {
        WriteLog(r.thread_number, 3, "Error: Fetch Data Error\n");
        ReportOdbcError(r, st.handle(), "10021", out);
        return 0;
    }
    for (size_t i = 0; i < rs.columns.size(); ++i) {
        ResultColumn& col = rs.columns[i];
        if (col.is_long || rs.mode == kFetchWhole) {
            if (!read_whole(st, i, rs.values[i], rs.nulls[i])) {
                ReportOdbcError(r, st.handle(), "10021", out);
                return 0;
            }
        } else {
            read_bound(r, col, i, rs.values[i], rs.nulls[i]);
        }
    }
    return 1;
}

}  // namespace kavr
