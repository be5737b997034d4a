// Connections to the configured data sources: at most one per source and
// request, kept in the source's record until the request ends.
#pragma once
#include <string>
#include <string_view>

#include "db/odbc_api.h"

namespace kavr {

struct Request;
struct DataSource;
class ResponseStream;

// Connection states of a data source record.
enum ConnectionState { kNotConnected = 0, kConnected = 1, kConnectFailed = -1 };

constexpr SQLUINTEGER kLoginTimeoutSeconds = 15;

// The configured source of that name (compared without regard to case).
DataSource* FindDataSource(std::string_view name);

// Makes the named source the request's current connection, connecting it
// on first use. Configured credentials replace the caller's. A source whose
// connection failed is not tried again. Failures are on the page.
int Connect(Request& request, const std::string& name, const std::string& user,
            const std::string& password, ResponseStream& out);

// Joins the connection to the running transaction (once) and switches its
// autocommit off. 1 when it is enlisted.
int EnlistConnection(Request& request, SQLHENV henv, SQLHDBC hdbc);

// Ends the transaction on every enlisted connection in enlistment order:
// rollback or commit, then autocommit on again; empties the list and sets
// the transaction mode to 0. 0 when a commit or rollback failed (the
// driver's diagnostic goes to the log).
int EndTransaction(Request& request, bool rollback);

// Rolls back whatever is still enlisted (a transaction that never reached
// its end) and forgets the request's connection state.
void ReleaseRequestConnections(Request& request);

// Disconnects and frees a source's handles; the record is not connected
// afterwards. Also for the release hook at the end of the process.
void ReleaseDataSource(DataSource& source);

// Between two requests of a worker: makes a kept connection as a new one
// would be (an open transaction rolled back, autocommit on), and forgets a
// failed attempt so that the next request tries again. A connection that
// does not take the reset, that the driver reports dead, or whose account
// the request chose (SQLRequestUser), is released, to be opened again on
// its next use. False when it was released.
bool ResetPooledConnection(DataSource& source);

// After the first statement of a request on a connection kept from an
// earlier one failed: true when it failed because the connection broke in
// between (the server restarted or ended the session). Nothing of this
// request has run on it then, so the statement may run again on a new one.
// False in every other case, the failure then being the statement's own.
bool LostKeptConnection(Request& request, SQLHSTMT failed);

// Closes the current connection (its statements freed first by the
// caller) and opens it again, as the current one. 1 on success; a failure
// is on the page.
int ReopenCurrentConnection(Request& request, ResponseStream& out);

// The current connection has run a statement in this request: a later
// failure is no longer one of a connection kept from before.
void ProvedKeptConnection(Request& request);

}  // namespace kavr
