#include "db/run.h"

#include <cstdio>

#include "db/odbc_error.h"
#include "db/statement.h"
#include "driver/core/log.h"
#include "driver/core/request.h"

namespace kavr {

namespace {

void trace(const Request& r, std::string_view text) { WriteLog(r.thread_number, 1, text); }

void log_changed_rows(const Request& r, long rows) {
    if (rows >= 1) {
        char line[64];
        snprintf(line, sizeof line, "%ld rows affected.\n", rows);
        trace(r, line);
    } else {
        trace(r, "Operation successful\n");
    }
}

// Fetches every row up to the limit into the sink. The run's flags and
// count are kept as the query tags read them.
int deliver_rows(Request& r, Statement& st, QueryRun& q, int limit, RowSink* sink,
                 ResponseStream& out) {
    q.fetching = true;
    q.row_count = 0;
    while (limit < 0 || q.row_count < limit) {
        int got = FetchRow(r, st, q.result, out);
        if (got < 0) break;
        if (got == 0) {
            q.row_count = -1;
            q.fetching = false;
            return 0;
        }
        ++q.row_count;
        if (sink && !sink->row(r, q)) {
            q.fetching = false;
            return 0;
        }
        // The next fetch writes every value again.
        q.result.previous.swap(q.result.values);
    }
    int ok = sink ? sink->end(r, q) : 1;
    q.fetching = false;
    return ok;
}

}  // namespace

int CountLimit(int print_maxrows, int query_maxrows) {
    if (print_maxrows >= 1 && query_maxrows >= 1)
        return print_maxrows < query_maxrows ? print_maxrows : query_maxrows;
    if (print_maxrows >= 1) return print_maxrows;
    if (query_maxrows >= 1) return query_maxrows;
    return -1;
}

int RowLimit(int print_maxrows, int query_maxrows) {
    if (print_maxrows == 0 || query_maxrows == 0) return -1;
    return CountLimit(print_maxrows, query_maxrows);
}

int RunQuery(Request& r, QueryRun& q, int print_maxrows, RowSink* sink, ResponseStream& out) {
    ExecutionTimer timer(r);
    trace(r, "Starting execute SQL: ");
    trace(r, q.sql);
    trace(r, "\n");  // the statement's own line breaks are escaped, this one ends its line
    trace(r, "at time = ");
    LogTime(r);
    const int limit = RowLimit(print_maxrows, q.maxrows);

    Statement st;
    if (!st.open(r, out) || !st.execute(r, q.sql, out)) return 0;
    SQLSMALLINT columns = 0;
    if (!CountResultColumns(r, st, columns, out)) return 0;
    if (columns == 0) {
        long rows = 0;
        if (!AffectedRows(r, st, rows, out)) return 0;
        if (rows < 1 && r.in_transaction > 0) r.in_transaction = -1;
        log_changed_rows(r, rows);
        return 1;
    }
    trace(r, "This is a select SQL statement\n");
    q.result.mode = kFetchBound;
    if (!PrepareResult(r, st, q.result, columns, out)) return 0;
    trace(r, "SQL execution succeed with time = ");
    LogTime(r);
    if (sink && !sink->begin(r, q)) return 0;
    return deliver_rows(r, st, q, limit, sink, out);
}

int RunStatement(Request& r, const std::string& sql, ResponseStream& out) {
    ExecutionTimer timer(r);
    Statement st;
    return st.open(r, out) && st.execute(r, sql, out);
}

int RunModification(Request& r, const std::string& sql, ResponseStream& out) {
    ExecutionTimer timer(r);
    Statement st;
    if (!st.open(r, out) || !st.execute(r, sql, out)) return 0;
    SQLSMALLINT columns = 0;
    if (OdbcOk(SQLNumResultCols(st.handle(), &columns)) && columns > 0) return 1;
    SQLLEN rows = 0;
    if (!OdbcOk(SQLRowCount(st.handle(), &rows))) rows = 0;
    log_changed_rows(r, static_cast<long>(rows));
    return 1;
}

int CountRows(Request& r, const std::string& sql, int limit, long& count, ResponseStream& out) {
    ExecutionTimer timer(r);
    count = -1;
    Statement st;
    if (!st.open(r, out) || !st.execute(r, sql, out)) return 0;
    SQLSMALLINT columns = 0;
    if (!CountResultColumns(r, st, columns, out)) return 0;
    count = 0;
    if (columns == 0) return 1;
    while (limit < 0 || count < limit) {
        SQLRETURN rc = SQLFetch(st.handle());
        if (rc == SQL_NO_DATA) break;
        if (!OdbcOk(rc)) {
            count = -1;
            ReportOdbcError(r, st.handle(), "10021", out);
            return 0;
        }
        ++count;
    }
    return 1;
}

int OpenResult(Request& r, Statement& st, const std::string& sql, ResultSet& rs,
               ResponseStream& out) {
    if (!st.open(r, out) || !st.execute(r, sql, out)) return 0;
    SQLSMALLINT columns = 0;
    if (!CountResultColumns(r, st, columns, out)) return 0;
    if (columns == 0) {
        rs.columns.clear();
        rs.values.clear();
        rs.nulls.clear();
        rs.described = false;
        return 1;
    }
    return PrepareResult(r, st, rs, columns, out);
}

}  // namespace kavr
