#include "db/odbc_error.h"

#include <cstring>

#include "db/db_state.h"
#include "driver/core/log.h"
#include "driver/core/text_util.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"

namespace kavr {

bool FetchOdbcDiagnostic(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, std::string& message) {
    if (henv == SQL_NULL_HENV && hdbc == SQL_NULL_HDBC && hstmt == SQL_NULL_HSTMT) return false;
    SQLCHAR state[6] = {0};
    SQLINTEGER native = 0;
    SQLCHAR text[kOdbcMessageBytes] = {0};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLError(henv, hdbc, hstmt, state, &native, text, kOdbcMessageBytes, &length);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return false;
    text[kOdbcMessageBytes - 1] = 0;  // a driver that ignores the size still ends here
    message.assign(reinterpret_cast<const char*>(text),
                   strnlen(reinterpret_cast<const char*>(text), kOdbcMessageBytes - 1));
    return true;
}

bool ReportOdbcError(Request& request, SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt,
                     const std::string& code, ResponseStream& out) {
    std::string message;
    if (!FetchOdbcDiagnostic(henv, hdbc, hstmt, message)) return false;
    ReportError(request, code, out);
    out.write(HtmlEscape(message));  // the driver quotes the statement, visitor text included
    WriteLog(request.thread_number, 3, "Error Message=");
    WriteLog(request.thread_number, 3, message);
    WriteLog(request.thread_number, 3, "\n");
    return true;
}

bool ReportOdbcError(Request& request, SQLHSTMT hstmt, const std::string& code,
                     ResponseStream& out) {
    DbState& state = GetDbState(request);
    return ReportOdbcError(request, state.henv, state.hdbc, hstmt, code, out);
}

}  // namespace kavr
