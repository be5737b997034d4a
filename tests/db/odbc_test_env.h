// The ODBC side of the database tests: a private driver manager
// configuration (ODBCSYSINI and ODBCINI point into a temporary directory,
// never at the machine's files), a SQLite database file, and, when
// tests/db/pg_server.py has started a server (KAVR_PG_ENV names its
// server.env), a PostgreSQL database of this process on that server.
//
// The driver manager reads its configuration paths once per process, so the
// files are written once, on first use, and hold every data source name the
// tests need:
//   kavr_sqlite, kavr_pg           the test databases
//   kavr_sqlite_broken, kavr_pg_broken   sources whose connection fails
//   kavr_pg_admin                  the server's own database (setup only)
#pragma once
#include <arpa/inet.h>
#include <dlfcn.h>
#include <netinet/in.h>
#include <sql.h>
#include <sqlext.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace kavr::test {

inline const char* const kSqliteBackend = "sqlite";
inline const char* const kPostgresBackend = "postgresql";

// SQLite's driver as the libsqliteodbc package installs it; KAVR_SQLITE_ODBC
// overrides.
inline std::string SqliteDriverPath() {
    const char* configured = getenv("KAVR_SQLITE_ODBC");
    if (configured && *configured) return configured;
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
                          "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                          "/usr/lib/odbc/libsqlite3odbc.so"})
        if (access(p, R_OK) == 0) return p;
    return "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
}

// psqlODBC's ANSI driver, which passes text through as the server sends it
// (the data sources set the client encoding to UTF-8); KAVR_PSQL_ODBC
// overrides.
inline std::string PostgresDriverPath() {
    const char* configured = getenv("KAVR_PSQL_ODBC");
    if (configured && *configured) return configured;
    for (const char* p : {"/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so",
                          "/usr/lib/aarch64-linux-gnu/odbc/psqlodbca.so",
                          "/usr/lib/odbc/psqlodbca.so"})
        if (access(p, R_OK) == 0) return p;
    return "/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so";
}

// KEY=VALUE lines of the server.env that pg_server.py writes.
inline std::map<std::string, std::string> ReadServerEnv(const std::string& path) {
    std::map<std::string, std::string> env;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos) env[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return env;
}

// The PostgreSQL server of this run, when there is one.
inline bool PostgresConfigured() {
    const char* path = getenv("KAVR_PG_ENV");
    return path && *path;
}

// The backends to run the parametrised cases against: SQLite always,
// PostgreSQL when a server was started for the run.
inline std::vector<std::string> AvailableBackends() {
    std::vector<std::string> backends{kSqliteBackend};
    if (PostgresConfigured()) backends.push_back(kPostgresBackend);
    return backends;
}

// A connection of its own, outside the code under test, for preparing and
// checking tables.
class RawConnection {
public:
    explicit RawConnection(const std::string& dsn) {
        SQLAllocEnv(&henv_);
        SQLAllocConnect(henv_, &hdbc_);
        SQLRETURN rc = SQLConnect(hdbc_, (SQLCHAR*)dsn.c_str(), SQL_NTS, (SQLCHAR*)"", SQL_NTS,
                                  (SQLCHAR*)"", SQL_NTS);
        connected_ = rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
        if (!connected_) error_ = diagnostic(SQL_NULL_HSTMT);
    }
    ~RawConnection() {
        if (connected_) SQLDisconnect(hdbc_);
        SQLFreeConnect(hdbc_);
        SQLFreeEnv(henv_);
    }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    const std::string& error() const { return error_; }

    // Runs one statement; false with error() set when it fails.
    bool exec(const std::string& sql) {
        std::vector<std::vector<std::string>> ignored;
        return query(sql, ignored);
    }

    // Runs one statement and reads its rows as texts ("<NULL>" for NULL).
    bool query(const std::string& sql, std::vector<std::vector<std::string>>& rows) {
        rows.clear();
        if (!connected_) return false;
        SQLHSTMT st;
        SQLAllocStmt(hdbc_, &st);
        SQLRETURN rc = SQLExecDirect(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
        bool ok = rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO || rc == SQL_NO_DATA;
        if (!ok) error_ = diagnostic(st);
        SQLSMALLINT cols = 0;
        if (ok) SQLNumResultCols(st, &cols);
        while (ok && cols > 0) {
            rc = SQLFetch(st);
            if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;
            std::vector<std::string> row;
            for (SQLSMALLINT c = 1; c <= cols; ++c) {
                char buf[4096];
                SQLLEN ind = 0;
                SQLGetData(st, c, SQL_C_CHAR, buf, sizeof buf, &ind);
                row.push_back(ind == SQL_NULL_DATA ? "<NULL>" : std::string(buf));
            }
            rows.push_back(row);
        }
        SQLFreeStmt(st, SQL_DROP);
        return ok;
    }

private:
    std::string diagnostic(SQLHSTMT st) {
        SQLCHAR state[6], text[512];
        SQLINTEGER native;
        SQLSMALLINT len;
        if (SQLError(henv_, hdbc_, st, state, &native, text, sizeof text, &len) != SQL_SUCCESS)
            return "(no diagnostic)";
        return std::string((char*)text);
    }

    SQLHENV henv_ = SQL_NULL_HENV;
    SQLHDBC hdbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    std::string error_;
};

class OdbcTestEnv {
public:
    // Written on first use; the directory goes when the process ends.
    static OdbcTestEnv& Get() {
        static OdbcTestEnv* env = new OdbcTestEnv();
        return *env;
    }

    const std::string& dir() const { return dir_; }
    // Set when a PostgreSQL case cannot run (no server, server unreachable).
    const std::string& postgres_problem() const { return pg_problem_; }

    static std::string Dsn(const std::string& backend) {
        return backend == kPostgresBackend ? "kavr_pg" : "kavr_sqlite";
    }
    static std::string BrokenDsn(const std::string& backend) {
        return backend == kPostgresBackend ? "kavr_pg_broken" : "kavr_sqlite_broken";
    }

private:
    OdbcTestEnv() {
        char tmpl[] = "/tmp/kavr-odbc-XXXXXX";
        dir_ = mkdtemp(tmpl);
        std::string pg_database = "kavr_unit_" + std::to_string(getpid());
        std::map<std::string, std::string> server;
        if (PostgresConfigured()) {
            server = ReadServerEnv(getenv("KAVR_PG_ENV"));
            if (server["PGPORT"].empty())
                pg_problem_ = std::string("no server description in ") + getenv("KAVR_PG_ENV");
        } else {
            pg_problem_ = "no PostgreSQL server for this run (see tests/db/pg_server.py)";
        }
        write_ini(server, pg_database);
        // SQLite's driver loads the installer library for every connection and
        // unloads it again, which leaves that library's cached ini entries
        // unreachable to the leak checker. Kept loaded, they stay reachable.
        dlopen("libodbcinst.so.2", RTLD_NOW | RTLD_NODELETE);
        setenv("ODBCSYSINI", dir_.c_str(), 1);
        setenv("ODBCINI", (dir_ + "/odbc.ini").c_str(), 1);
        setenv("ODBCINSTINI", "odbcinst.ini", 1);
        if (pg_problem_.empty()) {
            RawConnection admin("kavr_pg_admin");
            if (!admin.connected())
                pg_problem_ = "cannot reach the PostgreSQL server: " + admin.error();
            else if (!admin.exec("CREATE DATABASE " + pg_database))
                pg_problem_ = "cannot create the test database: " + admin.error();
        }
        atexit([] {
            std::string cmd = "rm -rf '" + Get().dir_ + "'";
            if (system(cmd.c_str()) != 0) {
            }
        });
    }

    void write_ini(std::map<std::string, std::string>& server, const std::string& pg_database) {
        // Drivers stay loaded until the process ends, so that a leak report
        // can name the library it comes from.
        std::ofstream(dir_ + "/odbcinst.ini")
            << "[SQLite3]\nDriver=" << SqliteDriverPath() << "\nDontDLClose=1\n\n"
            << "[PostgreSQL]\nDriver=" << PostgresDriverPath() << "\nDontDLClose=1\n";
        std::ostringstream dsn;
        dsn << "[kavr_sqlite]\nDriver=SQLite3\nDatabase=" << dir_ << "/test.db\nTimeout=2000\n\n"
            << "[kavr_sqlite_broken]\nDriver=SQLite3\nDatabase=" << dir_
            << "/missing-dir/test.db\n\n";
        // Every PostgreSQL source is on 127.0.0.1; the broken one at a port
        // that was just free, so nothing answers there.
        std::string host = "127.0.0.1";
        std::string port = server["PGPORT"];
        std::string user = server.count("PGUSER") ? server["PGUSER"] : "kavr";
        std::string admin_db = server.count("PGDATABASE") ? server["PGDATABASE"] : "kavr";
        auto pg = [&](const char* name, const std::string& p, const std::string& db) {
            dsn << "[" << name << "]\nDriver=PostgreSQL\nServername=" << host << "\nPort=" << p
                << "\nDatabase=" << db << "\nUsername=" << user << "\nSSLmode=disable\n"
                << "ConnSettings=SET client_encoding TO 'UTF8'\n\n";
        };
        pg("kavr_pg", port, pg_database);
        pg("kavr_pg_admin", port, admin_db);
        pg("kavr_pg_broken", std::to_string(unused_port()), pg_database);
        std::ofstream(dir_ + "/odbc.ini") << dsn.str();
    }

    // A local port nobody listens on (bound and released again).
    static int unused_port() {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        int port = 1;
        if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port = ntohs(addr.sin_port);
        if (fd >= 0) close(fd);
        return port;
    }

    std::string dir_;
    std::string pg_problem_;
};

}  // namespace kavr::test
