/* The floor for the database pages: a C program over the same unixODBC and
 * SQLite ODBC driver as kavr. It connects to the data source MIN_DSN, runs
 * MIN_SQL, fetches every column of every row as text, and then copies the
 * file MIN_CGI_FILE (kavr's answer) to standard output. */
#include <sql.h>
#include <sqlext.h>
#include <stdio.h>
#include <stdlib.h>

int main(void) {
    const char *dsn = getenv("MIN_DSN"), *sql = getenv("MIN_SQL"), *name = getenv("MIN_CGI_FILE");
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT st;
    if (!dsn || !sql || !name) return 1;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, (void *)SQL_OV_ODBC3, 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (!SQL_SUCCEEDED(SQLConnect(dbc, (SQLCHAR *)dsn, SQL_NTS, NULL, 0, NULL, 0))) return 1;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    if (!SQL_SUCCEEDED(SQLExecDirect(st, (SQLCHAR *)sql, SQL_NTS))) return 1;
    SQLSMALLINT cols = 0;
    SQLNumResultCols(st, &cols);
    long cells = 0;
    char value[256];
    SQLLEN len;
    while (SQL_SUCCEEDED(SQLFetch(st)))
        for (SQLUSMALLINT c = 1; c <= cols; ++c)
            if (SQL_SUCCEEDED(SQLGetData(st, c, SQL_C_CHAR, value, sizeof value, &len))) ++cells;
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    if (cells == 0) return 1;
    FILE *f = fopen(name, "rb");
    if (!f) return 1;
    char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) fwrite(buf, 1, n, stdout);
    fclose(f);
    return 0;
}
