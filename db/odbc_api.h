// The driver manager's call-level interface, in one place so that every
// file of the database layer sees the same declarations.
#pragma once
#include <sql.h>
#include <sqlext.h>

namespace kavr {

// SQL_SUCCESS or SQL_SUCCESS_WITH_INFO.
inline bool OdbcOk(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

}  // namespace kavr
