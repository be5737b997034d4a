#include "db/statement.h"

#include "db/connection.h"
#include "db/db_state.h"
#include "db/odbc_error.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "platform/clock.h"

namespace kavr {

int Statement::open(Request& r, ResponseStream& out) {
    close();
    DbState& state = GetDbState(r);
    if (state.hdbc == SQL_NULL_HDBC) {
        WriteLog(r.thread_number, 3, "Error: No database connection for the statement\n");
        return 0;
    }
    if (OdbcOk(SQLAllocStmt(state.hdbc, &hstmt_))) return 1;
    hstmt_ = SQL_NULL_HSTMT;
    ReportOdbcError(r, SQL_NULL_HSTMT, "10023", out);
    return 0;
}

SQLRETURN Statement::call(Request& r, const std::function<SQLRETURN(SQLHSTMT)>& op, ResponseStream& out) {
    SQLRETURN rc = op(hstmt_);
    if (!OdbcOk(rc) && rc != SQL_NO_DATA && LostKeptConnection(r, hstmt_)) {
        close();  // before its connection goes
        rc = ReopenCurrentConnection(r, out) && open(r, out) ? op(hstmt_) : SQL_ERROR;
    }
    ProvedKeptConnection(r);
    return rc;
}

int Statement::execute(Request& r, const std::string& sql, ResponseStream& out) {
    SQLCHAR* text = reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str()));
    SQLRETURN rc = call(
        r, [&](SQLHSTMT h) { return SQLExecDirect(h, text, static_cast<SQLINTEGER>(sql.size())); }, out);
    if (hstmt_ == SQL_NULL_HSTMT) return 0;  // no statement on the new connection: reported
    if (OdbcOk(rc) || rc == SQL_NO_DATA) return 1;
    ReportOdbcError(r, hstmt_, "10023", out);
    return 0;
}

void Statement::close() {
    if (hstmt_ != SQL_NULL_HSTMT) SQLFreeStmt(hstmt_, SQL_DROP);
    hstmt_ = SQL_NULL_HSTMT;
}

int CountResultColumns(Request& r, Statement& st, SQLSMALLINT& count, ResponseStream& out) {
    count = 0;
    if (OdbcOk(SQLNumResultCols(st.handle(), &count))) return 1;
    count = 0;
    ReportOdbcError(r, st.handle(), "10022", out);
    return 0;
}

int AffectedRows(Request& r, Statement& st, long& rows, ResponseStream& out) {
    SQLLEN count = 0;  // some drivers leave it untouched after a notice
    if (!OdbcOk(SQLRowCount(st.handle(), &count))) {
        rows = 0;
        ReportOdbcError(r, st.handle(), "10022", out);
        return 0;
    }
    rows = static_cast<long>(count);
    return 1;
}

ExecutionTimer::ExecutionTimer(Request& request)
    : request_(request), start_(platform::clock_ms()) {}

ExecutionTimer::~ExecutionTimer() { request_.execution_ms += platform::clock_ms() - start_; }

}  // namespace kavr
