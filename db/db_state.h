// Database state a request keeps beyond one call: the current connection
// and the connections that joined the running transaction (the query tags'
// list of queries belongs here too). Lives in Request::db_state and goes
// away with the request's release hook.
#pragma once
#include <memory>
#include <vector>

#include "db/odbc_api.h"
#include "driver/core/request.h"

namespace kavr {

struct DataSource;

struct EnlistedConnection {
    SQLHENV henv = SQL_NULL_HENV;
    SQLHDBC hdbc = SQL_NULL_HDBC;
};

struct DbState : ModuleState {
    // Handles of the data source most recently opened or reused, and its
    // record.
    SQLHENV henv = SQL_NULL_HENV;
    SQLHDBC hdbc = SQL_NULL_HDBC;
    DataSource* source = nullptr;
    // In enlistment order, each connection at most once.
    std::vector<EnlistedConnection> enlisted;
    // The query tags' records and print settings (db/query_state.h).
    std::unique_ptr<ModuleState> queries;
};

// The request's database state, created on first use.
DbState& GetDbState(Request& request);

}  // namespace kavr
