#include "db/table_info.h"

#include <cstring>

#include "db/column_types.h"
#include "db/db_state.h"
#include "db/odbc_error.h"
#include "db/statement.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

SQLCHAR* sql_text(const std::string& s) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str()));
}

std::string name_of(const SQLCHAR* buf, SQLLEN indicator) {
    if (indicator == SQL_NULL_DATA) return std::string();
    const char* text = reinterpret_cast<const char*>(buf);
    return std::string(text, strnlen(text, kTableNameChars));
}

}  // namespace

int TableColumns(Request& r, const std::string& table, const std::string* field_list,
                 std::vector<TableColumn>& columns, ResponseStream& out) {
    columns.clear();
    Statement st;
    if (!st.open(r, out)) return 0;
    auto columns_of = [&](SQLHSTMT h) {
        return SQLColumns(h, nullptr, 0, nullptr, 0, sql_text(table), SQL_NTS, nullptr, 0);
    };
    if (!OdbcOk(st.call(r, columns_of, out))) {
        ReportOdbcError(r, st.handle(), "10022", out);
        return 0;
    }
    SQLCHAR name[kTableNameChars + 1] = {0};
    SQLLEN name_indicator = 0, type_indicator = 0;
    SQLSMALLINT type = 0;
    if (!OdbcOk(SQLBindCol(st.handle(), 4, SQL_C_CHAR, name, sizeof name, &name_indicator)) ||
        !OdbcOk(SQLBindCol(st.handle(), 5, SQL_C_SSHORT, &type, 0, &type_indicator))) {
        ReportOdbcError(r, st.handle(), "10022", out);
        return 0;
    }
    for (;;) {
        SQLRETURN rc = SQLFetch(st.handle());
        if (rc == SQL_NO_DATA) break;
        if (!OdbcOk(rc)) {
            ReportOdbcError(r, st.handle(), "10021", out);
            return 0;
        }
        std::string column = name_of(name, name_indicator);
        if (field_list && FindNoCase(*field_list, column) == std::string::npos) continue;
        if (columns.size() >= kMaxTableColumns) {
            ReportError(r, "12040", out);
            return 0;
        }
        columns.push_back(TableColumn{column, ClosestKnownType(type), type});
    }
    WriteLog(r.thread_number, 1, "Out column_names...\n");
    return columns.empty() ? 0 : 1;
}

int KeyColumns(Request& r, const std::string& table, std::vector<std::string>& names,
               ResponseStream& out) {
    names.clear();
    WriteLog(r.thread_number, 1, "In primary_keys, tablename=");
    WriteLog(r.thread_number, 1, table);
    WriteLog(r.thread_number, 1, "\n");
    Statement st;
    if (!st.open(r, out)) return 0;
    SQLUSMALLINT has_primary_keys = SQL_FALSE;
    SQLGetFunctions(GetDbState(r).hdbc, SQL_API_SQLPRIMARYKEYS, &has_primary_keys);
    SQLRETURN rc;
    SQLUSMALLINT name_column;
    if (has_primary_keys == SQL_TRUE) {
        rc = st.call(r, [&](SQLHSTMT h) {
            return SQLPrimaryKeys(h, nullptr, 0, nullptr, 0, sql_text(table), SQL_NTS);
        }, out);
        name_column = 4;
    } else {
        rc = st.call(r, [&](SQLHSTMT h) {
            return SQLSpecialColumns(h, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, sql_text(table), SQL_NTS,
                                     SQL_SCOPE_TRANSACTION, SQL_NO_NULLS);
        }, out);
        name_column = 2;
    }
    if (!OdbcOk(rc)) {
        ReportOdbcError(r, st.handle(), "10022", out);
        return 0;
    }
    SQLCHAR name[kTableNameChars + 1] = {0};
    SQLLEN indicator = 0;
    if (!OdbcOk(SQLBindCol(st.handle(), name_column, SQL_C_CHAR, name, sizeof name, &indicator))) {
        ReportOdbcError(r, st.handle(), "10022", out);
        return 0;
    }
    for (;;) {
        rc = SQLFetch(st.handle());
        if (rc == SQL_NO_DATA) break;
        if (!OdbcOk(rc)) {
            ReportOdbcError(r, st.handle(), "10021", out);
            return 0;
        }
        if (names.size() >= kMaxTableColumns) break;
        names.push_back(name_of(name, indicator));
    }
    return names.empty() ? 0 : 1;
}

}  // namespace kavr
