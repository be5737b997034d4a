// GoogleTest fixture for cases that run against every available database
// (parameter: "sqlite", and "postgresql" when a server was started for the
// run). Each case gets a fresh site directory with its own kavri.ini, log
// and message catalog, one configured data source with every right, and a
// connection of its own (raw()) for preparing and checking tables.
//
// Instantiate a suite with KAVR_DB_BACKENDS(SuiteName), or KAVR_PG_ONLY(SuiteName)
// for cases that only PostgreSQL can show.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/register.h"
#include "db/run.h"
#include "driver/core/config.h"
#include "driver/core/request.h"
#include "expr/lexer.h"
#include "template/interpreter.h"
#include "tests/db/odbc_test_env.h"
#include "tests/unit/test_site.h"

namespace kavr::test {

class DbTest : public testing::TestWithParam<std::string> {
protected:
    // Codes whose catalog message is "msg <code>"; every block is framed so
    // that Block() can say what it looks like.
    static constexpr const char* kCodes[] = {"10020", "10021", "10022", "10023", "12040",
                                             "10410", "10420", "10430", "10440", "10450"};

    void SetUp() override {
        OdbcTestEnv& env = OdbcTestEnv::Get();
        if (backend() == kPostgresBackend && !env.postgres_problem().empty())
            GTEST_FAIL() << env.postgres_problem();
        RegisterDbModule();
        std::string catalog = "[ErrorMsg]\n00000header=[\n00000c=|\n00000e=|\n00000t=|\n00000footer=]\n";
        for (const char* code : kCodes) catalog += std::string(code) + "c=msg " + code + "\n";
        site.write("kavr_msg.ini", catalog);
        Configure(Source(1, dsn()));
        out.set_buffered(true);
    }

    void TearDown() override {
        // Connections go before the site that configured them.
        raw_.reset();
        request.db_state.reset();
        ConfigRelease(true);
    }

    // Runs a template text on the request; the page it wrote.
    std::string Run(const std::string& text, int* rc = nullptr) {
        request.out = ResponseStream();
        request.out.set_buffered(true);
        Lexer lexer(text, kRefHashIsChar);
        int result = Interpret(lexer, request, true);
        if (rc) *rc = result;
        std::string all;
        for (const std::string& b : request.out.blocks()) all += b;
        return all;
    }

    const std::string& backend() const { return GetParam(); }
    std::string dsn() const { return OdbcTestEnv::Dsn(backend()); }
    bool postgres() const { return backend() == kPostgresBackend; }

    // One "SQLDataSource%d" entry with extra "key=value\n" lines (the key
    // gets the number appended).
    static std::string Source(int n, const std::string& name,
                              const std::vector<std::string>& settings = {}) {
        std::string ini = "SQLDataSource" + std::to_string(n) + "=" + name + "\n";
        for (const std::string& s : settings) {
            size_t eq = s.find('=');
            ini += s.substr(0, eq) + std::to_string(n) + s.substr(eq) + "\n";
        }
        return ini;
    }

    // Replaces the configuration (releasing open connections first).
    void Configure(const std::string& odbc_section) {
        ConfigRelease(true);
        site.load_config("[Log]\nLogLevel=1\nLogFilePath=" + site.dir() + "\n[ODBC]\n" +
                         odbc_section);
        log_mark_ = site.read("kavri.log").size();
    }

    // What the page received so far; Restart() empties it.
    std::string Page() const {
        std::string all;
        for (const std::string& b : out.blocks()) all += b;
        return all;
    }
    void Restart() {
        out = ResponseStream();
        out.set_buffered(true);
        log_mark_ = site.read("kavri.log").size();
    }

    // The log written since the configuration was loaded (or Restart()).
    std::string Log() const { return site.read("kavri.log").substr(log_mark_); }

    static std::string Block(const std::string& code) {
        return "[|Error Code = " + code + ": msg " + code + "||]";
    }

    RawConnection& raw() {
        if (!raw_) raw_ = std::make_unique<RawConnection>(dsn());
        return *raw_;
    }

    static QueryRun Query(const std::string& sql) {
        QueryRun q;
        q.sql = sql;
        return q;
    }

    // Drops and creates a table through raw().
    void FreshTable(const std::string& name, const std::string& columns) {
        raw().exec("DROP TABLE IF EXISTS " + name);
        ASSERT_TRUE(raw().exec("CREATE TABLE " + name + " (" + columns + ")")) << raw().error();
    }

    // Rows of a query through raw(), each row's values joined by ",".
    std::vector<std::string> RawRows(const std::string& sql) {
        std::vector<std::vector<std::string>> rows;
        EXPECT_TRUE(raw().query(sql, rows)) << raw().error();
        std::vector<std::string> joined;
        for (const auto& row : rows) {
            std::string line;
            for (size_t i = 0; i < row.size(); ++i) line += (i ? "," : "") + row[i];
            joined.push_back(line);
        }
        return joined;
    }

    TestSite site;
    Request request;
    ResponseStream out;

private:
    std::unique_ptr<RawConnection> raw_;
    size_t log_mark_ = 0;
};

// The PostgreSQL backend alone, when it is available: for what only
// psqlODBC shows (users, types outside the classic set).
inline std::vector<std::string> PostgresOnly() {
    std::vector<std::string> backends;
    if (PostgresConfigured()) backends.push_back(kPostgresBackend);
    return backends;
}

#define KAVR_PG_ONLY(suite)                                                                 \
    GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(suite);                                   \
    INSTANTIATE_TEST_SUITE_P(Db, suite, testing::ValuesIn(::kavr::test::PostgresOnly()),    \
                             [](const testing::TestParamInfo<std::string>& p) { return p.param; })

#define KAVR_DB_BACKENDS(suite)                                                          \
    INSTANTIATE_TEST_SUITE_P(Db, suite, testing::ValuesIn(::kavr::test::AvailableBackends()), \
                             [](const testing::TestParamInfo<std::string>& p) { return p.param; })

}  // namespace kavr::test
