// Running SQL text on the current connection: statements whose result is
// not read, data changes, and the row engine that hands each row of a
// select to its consumer (the print tags, the mail tag).
#pragma once
#include <string>

#include "db/result_set.h"

namespace kavr {

struct Request;
class ResponseStream;

// The part of a query that its runs work on. The query tags keep one per
// query; the record must not move while a run is under way.
struct QueryRun {
    std::string sql;
    int maxrows = -1;        // -1 when not given
    ResultSet result;        // described by the first run, reused after
    bool fetching = false;   // set while the row engine runs this query
    long row_count = -1;     // rows of the last run; -1 unknown or after a fetch error
};

// Receives the rows of a select from the row engine. Each step returns 1 to
// go on and 0 to stop the run with failure (the consumer reported why).
struct RowSink {
    virtual ~RowSink() = default;
    // After the columns are described, before the first fetch.
    virtual int begin(Request&, QueryRun&) { return 1; }
    // One row: query.result.values, with query.result.previous the row
    // before; query.row_count counts this row.
    virtual int row(Request& request, QueryRun& query) = 0;
    // After the last row, when every row was delivered.
    virtual int end(Request&, QueryRun&) { return 1; }
};

// Rows a run may fetch: the smaller of two positive limits, the positive
// one when only one is, else -1 (no limit; a 0 on either side means none).
int RowLimit(int print_maxrows, int query_maxrows);
// Rows the record count of a query that was not printed counts: the
// smaller of two positive limits, the positive one when only one is
// (a 0 counts as no limit of its own), else -1.
int CountLimit(int print_maxrows, int query_maxrows);

// The row engine. Executes query.sql; a statement without result columns
// logs the rows it changed and, when it changed none inside a transaction,
// requests rollback. A select is described (once), and its rows up to the
// row limit go to sink (may be null). Adds the time spent to the request's
// SQL execution time. Failures are on the page.
int RunQuery(Request& request, QueryRun& query, int print_maxrows, RowSink* sink,
             ResponseStream& out);

// Executes sql and discards any result (10023 on failure).
int RunStatement(Request& request, const std::string& sql, ResponseStream& out);

// Executes a data change and logs the rows it changed (10023 on failure).
// A statement with result columns simply succeeds.
int RunModification(Request& request, const std::string& sql, ResponseStream& out);

// Counts the rows of sql by fetching them, up to limit (-1 none); count is
// -1 after a fetch error (10021). A statement without result columns has 0.
int CountRows(Request& request, const std::string& sql, int limit, long& count,
              ResponseStream& out);

// Executes sql and prepares its result for FetchRow (10023, 10022, 12040 as
// the row engine). A statement without result columns gives no rows.
int OpenResult(Request& request, Statement& statement, const std::string& sql,
               ResultSet& result, ResponseStream& out);

}  // namespace kavr
