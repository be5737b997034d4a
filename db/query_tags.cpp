#include "db/query_tags.h"

#include <cstdlib>

#include "db/connection.h"
#include "driver/core/charset.h"
#include "template/tag_attributes.h"
#include "db/query_state.h"
#include "db/rights.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "expr/variables.h"
#include "template/body_scanner.h"
#include "template/interpreter.h"
#include "template/tag_reading.h"

namespace kavr {

namespace {

constexpr size_t kTransactionBodyChars = 32767;

void trace(Request& r, const std::string& text) { WriteLog(r.thread_number, 1, text); }

// A visible, logged failure of the tag itself (no catalog code exists).
int tag_error(Request& r, const std::string& why) {
    WriteLog(r.thread_number, 3, "Error: " + why + "\n");
    r.out.write("<BR><B>Error: " + why + "</B><BR>\n");
    return 0;
}

// Expands SQL text in SQL mode. A text that would not fit is refused
// rather than cut, since a cut statement may do something else entirely.
int expand_sql(Request& r, std::string& sql, size_t limit, const std::string& query) {
    if (!ExpandAttribute(kExpandSql, sql, kExpandSize + 2, r)) return 0;
    if (sql.size() >= limit)
        return tag_error(r, "SQL text of query " + query + " is longer than " +
                                std::to_string(limit - 1) + " characters");
    return 1;
}

// Whether the next known tag after the current position is kavdbquerymore.
bool deferred(Lexer& lexer) {
    static const char* const kDeciders[] = {"kavdbquerymore", "kavdbquery", "kavprint",
                                            "kavprinttable",  "kavdbinsert", "kavdbupdate",
                                            "kavmail",        "kavdbtransaction",
                                            "kavdbrollback"};
    const size_t saved = lexer.position();
    bool more = false;
    TagEvent ev;
    while (NextTagEvent(lexer, ev)) {
        if (ev.closing) continue;
        bool known = false;
        for (const char* k : kDeciders) known = known || EqualsNoCase(ev.name, k);
        if (known) {
            more = EqualsNoCase(ev.name, "kavdbquerymore");
            break;
        }
    }
    lexer.set_position(saved);
    return more;
}

// Runs what must run where the query is complete: data changes at once, a
// select only inside a transaction (so that it joins it).
int database_allowed(Request& r) {
    if (r.permissions.database) return 1;
    ReportError(r, "10920", r.out);
    WriteLog(r.thread_number, 3, "Error: Database Operation is disabled\n");
    return 0;
}

int run_complete(Request& r, QueryRecord& q, bool check_select) {
    StatementKind kind = ClassifySql(q.run.sql);
    if (kind == kSqlSelect) {
        if (check_select && !CheckSelectRight(r, q.datasource, r.out)) return 0;
        if (r.in_transaction == 0) return 1;
        return database_allowed(r) && ConnectForQuery(r, q, r.out) && RunStatement(r, q.run.sql, r.out);
    }
    // A template without database permission changes no data either.
    if (!database_allowed(r)) return 0;
    if (!CheckStatementRight(r, q.datasource, kind, r.out)) return 0;
    if (!ConnectForQuery(r, q, r.out)) return 0;
    return RunQuery(r, q.run, -1, nullptr, r.out);
}

}  // namespace

int KavDbQuery(TagCall& call) {
    Request& r = call.request;
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer,
                             {{"name", false}, {"datasource", false}, {"sql", false},
                              {"maxrows", false}, {"debug", true}},
                             attrs))
        return 0;
    auto q = std::make_unique<QueryRecord>();
    for (TagAttribute& a : attrs) {
        switch (a.which) {
            case 0:
            case 1:
                if (!ExpandAttribute(kExpandText, a.value, kQueryNameSize, r)) return 0;
                (a.which == 0 ? q->name : q->datasource) = a.value;
                break;
            case 2:
                q->run.sql = std::string(CutView(a.value, kQuerySqlSize - 1));
                break;
            case 3: {
                std::string value;
                if (!EvaluateItem(r, a.value, value)) return 0;
                q->run.maxrows = atoi(value.c_str());
                break;
            }
            case 4:
                q->debug = 1;
                break;
        }
    }
    trace(r, "Call add_query\n");
    const bool later = deferred(call.lexer);
    if (!expand_sql(r, q->run.sql, kQuerySqlSize, q->name)) return 0;
    QueryRecord& record = *q;
    record.waiting = later;
    Queries(r).queries.push_back(std::move(q));
    if (later) return 1;
    return run_complete(r, record, true);
}

int KavDbQueryMore(TagCall& call) {
    Request& r = call.request;
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(call.lexer, {{"sql", false}}, attrs)) return 0;
    QueryState& state = Queries(r);
    if (state.queries.empty()) return tag_error(r, "kavdbquerymore without a query before it");
    if (attrs.empty()) return tag_error(r, "kavdbquerymore without sql");
    QueryRecord& q = *state.queries.back();
    std::string piece = attrs.back().value;
    if (!expand_sql(r, piece, kQueryMoreSize, q.name)) return 0;
    std::string joined = q.run.sql + " " + piece;
    if (joined.size() >= kQuerySqlSize)
        return tag_error(r, "SQL text of query " + q.name + " is longer than " +
                                std::to_string(kQuerySqlSize - 1) + " characters");
    q.run.sql = joined;
    return 1;
}

int KavDbQueryClose(TagCall& call) {
    Request& r = call.request;
    SkipTagEnd(call.lexer);
    QueryState& state = Queries(r);
    if (state.queries.empty()) return tag_error(r, "</kavdbquery> without a query before it");
    // Only a query that waits for its closing tag runs here: one that ran
    // where it was defined is not run a second time.
    QueryRecord& q = *state.queries.back();
    if (!q.waiting) return 1;
    q.waiting = false;
    return run_complete(r, q, false);
}

int KavDbTransaction(TagCall& call) {
    Request& r = call.request;
    SkipTagEnd(call.lexer);
    BodyRange body;
    if (!ScanBody(call.lexer, "kavdbtransaction", body))
        return tag_error(r, "kavdbtransaction without its closing tag");
    if (body.end - body.begin > kTransactionBodyChars)
        return tag_error(r, "kavdbtransaction body is longer than " +
                                std::to_string(kTransactionBodyChars) + " characters");
    // A transaction tag inside a running transaction is part of it: its
    // body's statements commit or roll back with the outer one.
    if (r.in_transaction != 0) {
        int rc = InterpretBody(call, body.begin, body.end, call.output);
        call.lexer.set_position(body.after);
        return rc;
    }
    r.in_transaction = 1;
    int rc = InterpretBody(call, body.begin, body.end, call.output);
    call.lexer.set_position(body.after);
    const bool rollback = rc == 0 || r.in_transaction < 0;
    trace(r, rollback ? "Transaction rolled back\n" : "Transaction committed\n");
    EndTransaction(r, rollback);
    r.in_transaction = 0;
    return rc;
}

int KavDbRollback(TagCall& call) {
    Request& r = call.request;
    if (r.in_transaction > 0) r.in_transaction = -r.in_transaction;
    SkipTagEnd(call.lexer);
    return 1;
}

}  // namespace kavr
