// Database failures on the error page: the catalog block for a code with
// the driver's own diagnostic below it.
#pragma once
#include <string>

#include "db/odbc_api.h"

namespace kavr {

struct Request;
class ResponseStream;

// The driver manager keeps diagnostics of up to 510 characters.
constexpr int kOdbcMessageBytes = 511;

// Asks for the diagnostic of the request's current environment and
// connection and the given statement (which may be SQL_NULL_HSTMT). Only
// when there is one: the error block for code, the diagnostic text right
// after it, and "Error Message=<text>" in the log. True when something
// was reported.
bool ReportOdbcError(Request& request, SQLHSTMT hstmt, const std::string& code,
                     ResponseStream& out);

// The same for explicit handles, for a connection that is not (yet) the
// request's current one.
bool ReportOdbcError(Request& request, SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt,
                     const std::string& code, ResponseStream& out);

// The first diagnostic of the handles, or false when there is none.
bool FetchOdbcDiagnostic(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, std::string& message);

}  // namespace kavr
