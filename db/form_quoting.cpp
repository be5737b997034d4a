#include "db/form_quoting.h"

#include <cstring>
#include <string>

#include "db/db_state.h"
#include "db/statement.h"
#include "driver/core/request.h"
#include "driver/core/response_stream.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

std::string dbms_name(SQLHDBC hdbc) {
    char name[128] = {0};
    SQLSMALLINT length = 0;
    if (!OdbcOk(SQLGetInfo(hdbc, SQL_DBMS_NAME, name, sizeof name - 1, &length))) return "";
    return std::string(name, strnlen(name, sizeof name - 1));
}

// The server's standard_conforming_strings setting, or "" when it cannot
// be read.
std::string conforming_strings_setting(Request& r) {
    ResponseStream quiet;  // a failure here is no error of the page
    quiet.set_buffered(true);
    Statement st;
    if (!st.open(r, quiet) || !st.execute(r, "SHOW standard_conforming_strings", quiet)) return "";
    if (!OdbcOk(SQLFetch(st.handle()))) return "";
    char value[32] = {0};
    SQLLEN indicator = 0;
    if (!OdbcOk(SQLGetData(st.handle(), 1, SQL_C_CHAR, value, sizeof value, &indicator)) ||
        indicator == SQL_NULL_DATA)
        return "";
    return std::string(value, strnlen(value, sizeof value));
}

}  // namespace

bool ConnectionEscapesBackslashes(Request& r) {
    SQLHDBC hdbc = GetDbState(r).hdbc;
    if (hdbc == SQL_NULL_HDBC) return false;
    std::string name = dbms_name(hdbc);
    if (FindNoCase(name, "mysql") != std::string::npos ||
        FindNoCase(name, "mariadb") != std::string::npos)
        return true;
    if (FindNoCase(name, "postgres") == std::string::npos) return false;
    return EqualsNoCase(conforming_strings_setting(r), "off");
}

}  // namespace kavr
