// The queries a template defined, found by name, and the print settings
// that the output tags hand to the row engine.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/run.h"
#include "driver/core/request.h"

namespace kavr {

class ResponseStream;

constexpr size_t kQuerySqlSize = 16384;
constexpr size_t kQueryMoreSize = 8192;
constexpr size_t kQueryNameSize = 1024;

struct QueryRecord {
    std::string name;
    std::string datasource;
    int debug = -1;
    bool waiting = false;       // deferred: its closing tag has yet to run it
    QueryRun run;               // SQL text, maxrows, described result, row count
    bool first_row_held = false;
    ResultSet first_row;        // the row column references read outside a print loop
};

// Settings of the print tag that is running; print maxrows outlives the tag.
struct PrintSettings {
    int maxrows = -1;
};

struct QueryState : ModuleState {
    // Definition order; records never move (runs keep pointers into them).
    std::vector<std::unique_ptr<QueryRecord>> queries;
    std::string current;  // the query being printed
    PrintSettings print;
};

QueryState& Queries(Request& request);

// The first record of that name, ignoring case; null when none.
QueryRecord* FindQuery(Request& request, std::string_view name);

// Runs the named query through the row engine with the print maxrows:
// sets CurQueryName__, checks the template's database permission (10920),
// connects and runs. 0 on failure (a missing query fails silently).
int HandleSql(Request& request, const std::string& name, RowSink* sink, ResponseStream& out);

// Connects to the query's source with the request user and an empty password.
int ConnectForQuery(Request& request, const QueryRecord& q, ResponseStream& out);

// The SQL texts of the defined queries, for the echo.
void QueryStatements(Request& request, std::vector<std::string>& out);

}  // namespace kavr
