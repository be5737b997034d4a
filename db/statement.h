// One statement on the request's current connection.
#pragma once
#include <functional>
#include <string>

#include "db/odbc_api.h"

namespace kavr {

struct Request;
class ResponseStream;

// Owns a statement handle; the handle (and any result it holds) is freed
// when the object goes away.
class Statement {
public:
    Statement() = default;
    ~Statement() { close(); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Allocates on the current connection; without one, or when the driver
    // refuses, 0 (the driver's diagnostic under code 10023).
    int open(Request& request, ResponseStream& out);
    // Runs the text directly; failure is reported with code 10023. A data
    // change that touched no row counts as success whatever the driver's
    // ODBC version says about it.
    int execute(Request& request, const std::string& sql, ResponseStream& out);
    // Makes one ODBC call that runs on the statement (a direct execution, a
    // catalog function) and returns its result. When it failed because a
    // connection kept from an earlier request broke in between, the
    // connection is opened again and the call made once more on a new
    // statement.
    SQLRETURN call(Request& request, const std::function<SQLRETURN(SQLHSTMT)>& op, ResponseStream& out);
    void close();

    SQLHSTMT handle() const { return hstmt_; }

private:
    SQLHSTMT hstmt_ = SQL_NULL_HSTMT;
};

// The number of result columns (0 for a statement without a result set).
// Failure is reported with code 10022.
int CountResultColumns(Request& request, Statement& statement, SQLSMALLINT& count,
                       ResponseStream& out);

// Rows changed by a statement without result columns; less than 1 when
// none or when the driver cannot tell. Never asked of a result set: there
// drivers differ (SQLite's driver answers 0, psqlODBC the number of rows
// read). Failure is reported with code 10022.
int AffectedRows(Request& request, Statement& statement, long& rows, ResponseStream& out);

// Adds the milliseconds between its construction and destruction to the
// request's SQL execution time.
class ExecutionTimer {
public:
    explicit ExecutionTimer(Request& request);
    ~ExecutionTimer();
    ExecutionTimer(const ExecutionTimer&) = delete;
    ExecutionTimer& operator=(const ExecutionTimer&) = delete;

private:
    Request& request_;
    long start_;
};

}  // namespace kavr
