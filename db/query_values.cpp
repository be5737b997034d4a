#include "db/query_values.h"

#include "db/connection.h"
#include "db/query_state.h"
#include "db/rights.h"
#include "db/statement.h"
#include "driver/core/charset.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/functions.h"
#include "expr/lexer.h"

namespace kavr {

namespace {

constexpr size_t kListValueChars = 8191;

void trace(Request& r, const std::string& text) { WriteLog(r.thread_number, 1, text); }

int put(std::string& out, const std::string& value, size_t size) {
    out = std::string(CutView(value, size ? size - 1 : 0));
    return 1;
}

// Data reached from an expression obeys the template's database
// permission as the print tags do.
// Value lookups run only selects: a data change is never repeated just
// because a template asked for one of its values.
bool runs_again(const QueryRecord& q) { return ClassifySql(q.run.sql) == kSqlSelect; }

int database_allowed(Request& r) {
    if (r.permissions.database) return 1;
    ReportError(r, "10920", r.out);
    WriteLog(r.thread_number, 3, "Error: Database Operation is disabled\n");
    return 0;
}

int record_count(Request& r, QueryRecord& q, std::string& out, size_t size) {
    if (q.run.row_count < 0 && !runs_again(q)) return put(out, "0", size);
    if (q.run.row_count < 0) {
        if (!database_allowed(r) || !ConnectForQuery(r, q, r.out)) return 0;
        long count = -1;
        int ok = CountRows(r, q.run.sql, CountLimit(Queries(r).print.maxrows, q.run.maxrows), count,
                           r.out);
        q.run.row_count = count;
        if (!ok) return 0;
        trace(r, "Out of record_count\n");
    }
    return put(out, std::to_string(q.run.row_count), size);
}

// Runs the query and keeps its first row for column references made
// outside a print loop.
int hold_first_row(Request& r, QueryRecord& q) {
    if (!database_allowed(r)) return 0;
    if (!Connect(r, q.datasource, "", "", r.out)) return 0;
    ExecutionTimer timer(r);
    Statement st;
    q.first_row = ResultSet();
    q.first_row.mode = kFetchWhole;
    if (!OpenResult(r, st, q.run.sql, q.first_row, r.out)) return 0;
    trace(r, "SQL query execution succeed in Query_Value\n");
    if (LogWanted(1)) trace(r, "Execute SQL in open_query=" + q.run.sql + "\n");
    if (q.first_row.columns.empty()) return 0;
    int got = FetchRow(r, st, q.first_row, r.out);
    if (got == 0) return 0;
    // A result without rows holds empty values, so its columns still resolve.
    if (got < 0) {
        q.first_row.values.assign(q.first_row.columns.size(), std::string());
        q.first_row.nulls.assign(q.first_row.columns.size(), 1);
    }
    q.first_row_held = true;
    return 1;
}

}  // namespace

int QueryColumnValue(Request& r, const std::string& query, const std::string& column,
                     std::string& out, size_t size) {
    QueryRecord* q = FindQuery(r, query);
    if (!q) return 0;
    if (EqualsNoCase(column, "recordcount")) return record_count(r, *q, out, size);
    if (q->run.fetching) {
        const std::string* v = q->run.result.value(column);
        return v ? put(out, *v, size) : 0;
    }
    if (!q->first_row_held && (!runs_again(*q) || !hold_first_row(r, *q))) return 0;
    const std::string* v = q->first_row.value(column);
    return v ? put(out, *v, size) : 0;
}

int ValueListFunction(FunctionCall& call) {
    Request& r = call.request;
    const bool quoted = EqualsNoCase(call.name, "quotedvaluelist");
    std::string open, query, dot, column, close;
    call.lexer.NextToken(open);
    call.lexer.NextToken(query);
    call.lexer.NextToken(dot);
    call.lexer.NextToken(column);
    call.lexer.NextToken(close);
    if (open != "(" || dot != "." || close != ")") return 0;
    QueryRecord* q = FindQuery(r, query);
    if (!q || !runs_again(*q) || !database_allowed(r) || !ConnectForQuery(r, *q, r.out)) return 0;
    ExecutionTimer timer(r);
    Statement st;
    ResultSet rs;
    rs.mode = kFetchWhole;
    if (!OpenResult(r, st, q->run.sql, rs, r.out)) return 0;
    const int at = rs.column_index(column);
    if (at < 0) return 0;
    std::string list;
    long rows = 0;
    for (;;) {
        if (q->run.maxrows >= 1 && rows >= q->run.maxrows) break;
        int got = FetchRow(r, st, rs, r.out);
        if (got == 0) return 0;
        if (got < 0) break;
        if (rows++) list += ',';
        if (quoted) list += '\'';
        list += CutView(rs.values[at], kListValueChars);
        if (quoted) list += '\'';
        // The caller keeps no more than its buffer; stop reading once past it.
        if (list.size() >= call.size) break;
    }
    return call.Result(list);
}

}  // namespace kavr
