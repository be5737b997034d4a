#include "db/connection.h"

#include "db/db_state.h"
#include "db/odbc_error.h"
#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "platform/clock.h"

namespace kavr {

namespace {

void trace(const Request& r, int level, std::string_view text) {
    WriteLog(r.thread_number, level, text);
}

void make_current(Request& r, DataSource& ds) {
    DbState& state = GetDbState(r);
    state.henv = static_cast<SQLHENV>(ds.henv);
    state.hdbc = static_cast<SQLHDBC>(ds.hdbc);
    state.source = &ds;
    if (r.in_transaction != 0) EnlistConnection(r, state.henv, state.hdbc);
}

SQLCHAR* sql_text(const std::string& s) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str()));
}

// Allocates and connects; the handles are freed again on failure, after the
// driver's diagnostic has been reported.
bool open_connection(Request& r, const DataSource& ds, const std::string& user,
                     const std::string& password, SQLHENV& henv, SQLHDBC& hdbc,
                     ResponseStream& out) {
    henv = SQL_NULL_HENV;
    hdbc = SQL_NULL_HDBC;
    if (!OdbcOk(SQLAllocEnv(&henv))) return false;
    if (!OdbcOk(SQLAllocConnect(henv, &hdbc))) {
        SQLFreeEnv(henv);
        return false;
    }
    SQLSetConnectOption(hdbc, SQL_LOGIN_TIMEOUT, kLoginTimeoutSeconds);
    SQLRETURN rc = SQLConnect(hdbc, sql_text(ds.name), SQL_NTS, sql_text(user), SQL_NTS,
                              sql_text(password), SQL_NTS);
    if (OdbcOk(rc)) return true;
    ReportOdbcError(r, henv, hdbc, SQL_NULL_HSTMT, "10020", out);
    SQLFreeConnect(hdbc);
    SQLFreeEnv(henv);
    return false;
}

void log_diagnostic(const Request& r, SQLHENV henv, SQLHDBC hdbc) {
    std::string message;
    if (!FetchOdbcDiagnostic(henv, hdbc, SQL_NULL_HSTMT, message)) return;
    trace(r, 3, "Error Message=");
    trace(r, 3, message);
    trace(r, 3, "\n");
}

// True when the statement failed because its connection is gone: a
// connection exception (SQLSTATE class 08), or the driver now reports the
// connection dead.
bool connection_lost(SQLHDBC hdbc, SQLHSTMT failed) {
    SQLCHAR sqlstate[6] = {0};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (OdbcOk(SQLGetDiagRec(SQL_HANDLE_STMT, failed, 1, sqlstate, &native, nullptr, 0, &length)) &&
        sqlstate[0] == '0' && sqlstate[1] == '8')
        return true;
    SQLUINTEGER dead = SQL_CD_FALSE;
    return OdbcOk(SQLGetConnectAttr(hdbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
           dead == SQL_CD_TRUE;
}

// A source whose account a request's "username" chooses is opened for
// that request alone.
bool account_of_the_request(const DataSource& ds) { return ds.request_user && !ds.user_id; }

}  // namespace

DataSource* FindDataSource(std::string_view name) {
    for (DataSource& ds : g_config.data_sources)
        if (EqualsNoCase(ds.name, name)) return &ds;
    return nullptr;
}

int Connect(Request& r, const std::string& name, const std::string& user,
            const std::string& password, ResponseStream& out) {
    r.vars.set("CurDataSource__", name);
    std::string uid = user;
    std::string pwd = password;
    DataSource* ds = FindDataSource(name);
    if (!ds) {
        trace(r, 2, "You do not have the right to access the datasource: ");
        trace(r, 2, name);
        trace(r, 2, "\n");
        if (!ReportError(r, "10020", out)) out.write("Do not have the access permission<BR>");
        return 0;
    }
    // The account is the administrator's choice: a configured user id, else
    // the request's user only where the source allows it, else none.
    if (ds->user_id) {
        uid = *ds->user_id;
    } else if (!ds->request_user && !uid.empty()) {
        if (ds->connected == kNotConnected) {
            trace(r, 2, "Warning: the request's username is ignored for datasource ");
            trace(r, 2, ds->name);
            trace(r, 2, " (SQLRequestUser is not set)\n");
        }
        uid.clear();
    }
    if (ds->password) pwd = *ds->password;

    if (ds->connected == kConnected) {
        make_current(r, *ds);
        return 1;
    }
    if (ds->connected == kConnectFailed) {
        ReportError(r, "10020", out);
        return 0;
    }

    trace(r, 1, "Connecting with Datasource ");
    trace(r, 1, ds->name);
    trace(r, 1, "Starting time = ");
    LogTime(r);
    long start = platform::clock_ms();
    SQLHENV henv;
    SQLHDBC hdbc;
    if (open_connection(r, *ds, uid, pwd, henv, hdbc, out)) {
        ds->henv = henv;
        ds->hdbc = hdbc;
        ds->connected = kConnected;
        make_current(r, *ds);
        trace(r, 1, "Connection Succeeded with time = ");
        LogTime(r);
        r.connection_ms += platform::clock_ms() - start;
        return 1;
    }
    ds->connected = kConnectFailed;
    trace(r, 3, "Error:Connection failed for datasource: ");
    trace(r, 3, ds->name);
    trace(r, 3, "\n");
    ReportError(r, "10020", out);
    out.write("ODBC Connection failed for datasource");
    out.write(HtmlEscape(ds->name));
    out.write("\n");
    return 0;
}

int EnlistConnection(Request& r, SQLHENV henv, SQLHDBC hdbc) {
    DbState& state = GetDbState(r);
    for (const EnlistedConnection& e : state.enlisted)
        if (e.hdbc == hdbc) return 1;
    state.enlisted.push_back(EnlistedConnection{henv, hdbc});
    if (OdbcOk(SQLSetConnectOption(hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF))) return 1;
    // Without manual commit the statements commit one by one; say so.
    trace(r, 2, "Autocommit cannot be switched off; ");
    log_diagnostic(r, henv, hdbc);
    return 0;
}

int EndTransaction(Request& r, bool rollback) {
    DbState& state = GetDbState(r);
    int ok = 1;
    for (const EnlistedConnection& e : state.enlisted) {
        if (!OdbcOk(SQLTransact(e.henv, e.hdbc, rollback ? SQL_ROLLBACK : SQL_COMMIT))) {
            ok = 0;
            log_diagnostic(r, e.henv, e.hdbc);
        }
        SQLSetConnectOption(e.hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
    }
    state.enlisted.clear();
    r.in_transaction = 0;
    return ok;
}

void ReleaseRequestConnections(Request& r) {
    if (!r.db_state) return;
    DbState& state = GetDbState(r);
    if (!state.enlisted.empty()) EndTransaction(r, true);
    state.henv = SQL_NULL_HENV;
    state.hdbc = SQL_NULL_HDBC;
    state.source = nullptr;
}

bool LostKeptConnection(Request& r, SQLHSTMT failed) {
    DbState& state = GetDbState(r);
    DataSource* ds = state.source;
    if (!ds || !ds->kept || ds->hdbc != state.hdbc) return false;
    ds->kept = false;
    return connection_lost(state.hdbc, failed);
}

int ReopenCurrentConnection(Request& r, ResponseStream& out) {
    DbState& state = GetDbState(r);
    DataSource* ds = state.source;
    if (!ds) return 0;
    trace(r, 2, "Warning: the kept connection of datasource ");
    trace(r, 2, ds->name);
    trace(r, 2, " was lost; connecting again\n");
    for (size_t i = 0; i < state.enlisted.size(); ++i)
        if (state.enlisted[i].hdbc == state.hdbc) state.enlisted.erase(state.enlisted.begin() + i--);
    state.henv = SQL_NULL_HENV;
    state.hdbc = SQL_NULL_HDBC;
    state.source = nullptr;
    ReleaseDataSource(*ds);
    // Sources whose account the request chooses are never kept, so the
    // configured credentials (or none) are the ones it was opened with.
    return Connect(r, ds->name, "", "", out);
}

void ProvedKeptConnection(Request& r) {
    DbState& state = GetDbState(r);
    if (state.source) state.source->kept = false;
}

bool ResetPooledConnection(DataSource& ds) {
    if (ds.connected == kConnectFailed) ds.connected = kNotConnected;
    if (ds.connected != kConnected) return true;
    if (account_of_the_request(ds)) {
        ReleaseDataSource(ds);
        return false;
    }
    SQLHDBC hdbc = static_cast<SQLHDBC>(ds.hdbc);
    bool ok = OdbcOk(SQLTransact(SQL_NULL_HENV, hdbc, SQL_ROLLBACK)) &&
              OdbcOk(SQLSetConnectOption(hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON));
    SQLUINTEGER dead = SQL_CD_FALSE;
    if (ok && OdbcOk(SQLGetConnectAttr(hdbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
        dead == SQL_CD_TRUE)
        ok = false;
    if (!ok) ReleaseDataSource(ds);
    ds.kept = ok;
    return ok;
}

void ReleaseDataSource(DataSource& ds) {
    SQLHDBC hdbc = static_cast<SQLHDBC>(ds.hdbc);
    SQLHENV henv = static_cast<SQLHENV>(ds.henv);
    if (hdbc != SQL_NULL_HDBC) {
        if (ds.connected == kConnected && !OdbcOk(SQLDisconnect(hdbc))) {
            // A driver refuses to disconnect inside an open transaction.
            SQLTransact(SQL_NULL_HENV, hdbc, SQL_ROLLBACK);
            SQLDisconnect(hdbc);
        }
        SQLFreeConnect(hdbc);
    }
    if (henv != SQL_NULL_HENV) SQLFreeEnv(henv);
    ds.hdbc = nullptr;
    ds.henv = nullptr;
    ds.connected = kNotConnected;
    ds.kept = false;
}

}  // namespace kavr
