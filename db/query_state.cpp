#include "db/query_state.h"

#include "db/connection.h"
#include "db/db_state.h"
#include "db/rights.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/text_util.h"
#include "template/loader.h"

namespace kavr {

QueryState& Queries(Request& request) {
    DbState& db = GetDbState(request);
    if (!db.queries) db.queries = std::make_unique<QueryState>();
    return static_cast<QueryState&>(*db.queries);
}

QueryRecord* FindQuery(Request& request, std::string_view name) {
    for (auto& q : Queries(request).queries)
        if (EqualsNoCase(q->name, name)) return q.get();
    return nullptr;
}

int ConnectForQuery(Request& r, const QueryRecord& q, ResponseStream& out) {
    return Connect(r, q.datasource, r.username.value_or(""), "", out);
}

int HandleSql(Request& r, const std::string& name, RowSink* sink, ResponseStream& out) {
    WriteLog(r.thread_number, 1, "Call HandleSQL\n");
    QueryRecord* q = FindQuery(r, name);
    if (!q) return 0;
    r.vars.set("CurQueryName__", q->name);
    if (!r.permissions.database) {
        ReportError(r, "10920", out);
        WriteLog(r.thread_number, 3, "Error: Database Operation is disabled\n");
        return 0;
    }
    // Its rows are being printed already (a print inside its own print,
    // through an included template): a second run would take over the
    // buffers the first one is still reading.
    if (q->run.fetching) {
        WriteLog(r.thread_number, 3, "Error: Query " + q->name + " is already running\n");
        out.write("<BR><B>Error: Query " + HtmlEscape(q->name) + " is already running</B><BR>\n");
        return 0;
    }
    // The statement's rights for its final text: a query completed by
    // kavdbquerymore but never closed was not checked for it.
    const StatementKind kind = ClassifySql(q->run.sql);
    if (!(kind == kSqlSelect ? CheckSelectRight(r, q->datasource, out)
                             : CheckStatementRight(r, q->datasource, kind, out)))
        return 0;
    if (!ConnectForQuery(r, *q, out)) return 0;
    // The first-row lookup of a column reference is replaced by this run.
    q->first_row_held = false;
    int ok = RunQuery(r, q->run, Queries(r).print.maxrows, sink, out);
    WriteLog(r.thread_number, 1, "End HandleSQL\n");
    return ok;
}

void QueryStatements(Request& r, std::vector<std::string>& out) {
    if (!r.db_state) return;
    for (auto& q : Queries(r).queries) out.push_back(q->run.sql);
}

}  // namespace kavr
