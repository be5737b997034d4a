// Connections, rights and transactions against each available database.
#include <gtest/gtest.h>

#include <cstring>

#include "driver/core/text_util.h"

#include "db/connection.h"
#include "db/db_state.h"
#include "db/rights.h"
#include "db/run.h"
#include "driver/core/hooks.h"
#include "driver/core/log.h"
#include "tests/db/db_fixture.h"

namespace kavr {
namespace {

using test::DbTest;

class DbConnection : public DbTest {};
class DbPostgresConnection : public DbTest {};
class DbRights : public DbTest {};
class DbTransaction : public DbTest {};

size_t Count(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

TEST_P(DbConnection, ConnectsOnceAndReusesTheConnection) {
    ASSERT_EQ(Connect(request, dsn(), "", "", out), 1) << Page();
    DataSource* ds = FindDataSource(dsn());
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ds->connected, kConnected);
    EXPECT_EQ(GetDbState(request).hdbc, ds->hdbc);
    std::string current;
    EXPECT_EQ(request.vars.get("CurDataSource__", 0, current, 1024), 1);
    EXPECT_EQ(current, dsn());

    long first_ms = request.connection_ms;
    void* first = ds->hdbc;
    // The name compares without regard to case.
    std::string upper = dsn();
    for (char& c : upper) c = static_cast<char>(toupper(c));
    ASSERT_EQ(Connect(request, upper, "", "", out), 1);
    EXPECT_EQ(ds->hdbc, first);
    EXPECT_EQ(request.connection_ms, first_ms);
    EXPECT_EQ(Page(), "");

    std::string log = Log();
    EXPECT_EQ(Count(log, "Connecting with Datasource " + dsn() + "Starting time = "), 1u) << log;
    EXPECT_EQ(Count(log, "Connection Succeeded with time = "), 1u) << log;
}

// SQLite databases have no users; the server does.
// The request's user counts only where the source allows it.
TEST_P(DbPostgresConnection, ConfiguredCredentialsReplaceTheCallers) {
    EXPECT_EQ(Connect(request, dsn(), "nobody_here", "", out), 1) << Page();
    EXPECT_NE(Log().find("Warning: the request's username is ignored for datasource " + dsn()),
              std::string::npos);
    Configure(Source(1, dsn(), {"SQLRequestUser=1"}));
    Restart();
    EXPECT_EQ(Connect(request, dsn(), "nobody_here", "wrong", out), 0);
    Configure(Source(1, dsn(), {"SQLRequestUser=1", "SQLUserID=kavr", "SQLPassword="}));
    Restart();
    EXPECT_EQ(Connect(request, dsn(), "nobody_here", "wrong", out), 1) << Page();
}

TEST_P(DbConnection, UnknownSourceIsRefusedWithCatalogTextOrFallback) {
    EXPECT_EQ(Connect(request, "not_configured", "", "", out), 0);
    EXPECT_EQ(Page(), Block("10020"));
    EXPECT_NE(Log().find("You do not have the right to access the datasource: not_configured\n"),
              std::string::npos);

    site.write("kavr_msg.ini", "[ErrorMsg]\n");
    Restart();
    EXPECT_EQ(Connect(request, "not_configured", "", "", out), 0);
    EXPECT_EQ(Page(), "Do not have the access permission<BR>");
}

TEST_P(DbConnection, FailedConnectionIsReportedOnceAndNotRetried) {
    std::string broken = test::OdbcTestEnv::BrokenDsn(backend());
    Configure(Source(1, dsn()) + Source(2, broken));
    EXPECT_EQ(Connect(request, broken, "", "", out), 0);
    std::string page = Page();
    // The driver's diagnostic under its own block, then the connection block.
    std::string tail = Block("10020") + "ODBC Connection failed for datasource" + broken + "\n";
    ASSERT_GT(page.size(), Block("10020").size() + tail.size()) << page;
    EXPECT_EQ(page.substr(0, Block("10020").size()), Block("10020"));
    EXPECT_EQ(page.substr(page.size() - tail.size()), tail);
    std::string diagnostic =
        page.substr(Block("10020").size(), page.size() - tail.size() - Block("10020").size());
    EXPECT_LT(diagnostic.size(), 511u);
    std::string log = Log();
    // The page shows the driver's text escaped, the log as it came.
    std::string raw = diagnostic;
    for (const char* entity : {"&quot;", "&lt;", "&gt;", "&amp;"})
        for (size_t at; (at = raw.find(entity)) != std::string::npos;)
            raw.replace(at, strlen(entity), entity[1] == 'q' ? "\"" : entity[1] == 'l' ? "<"
                                            : entity[1] == 'g' ? ">" : "&");
    EXPECT_EQ(HtmlEscape(raw), diagnostic);
    EXPECT_NE(log.find("Error Message=" + EscapeLogText(raw) + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Error:Connection failed for datasource: " + broken + "\n"),
              std::string::npos);
    EXPECT_EQ(FindDataSource(broken)->connected, kConnectFailed);
    EXPECT_EQ(FindDataSource(broken)->hdbc, nullptr);

    Restart();
    EXPECT_EQ(Connect(request, broken, "", "", out), 0);
    EXPECT_EQ(Page(), Block("10020"));
    EXPECT_EQ(Log().find("Connecting with Datasource"), std::string::npos);

    // Other sources are unaffected.
    EXPECT_EQ(Connect(request, dsn(), "", "", out), 1);
}

TEST_P(DbConnection, ReleaseDisconnectsAndForgetsTheHandles) {
    ASSERT_EQ(Connect(request, dsn(), "", "", out), 1);
    DataSource* ds = FindDataSource(dsn());
    g_hooks.release_data_source(*ds);
    EXPECT_EQ(ds->connected, kNotConnected);
    EXPECT_EQ(ds->hdbc, nullptr);
    EXPECT_EQ(ds->henv, nullptr);
    // The end-of-request hook drops the request's state.
    g_hooks.release_queries(request);
    EXPECT_EQ(request.db_state, nullptr);
}

TEST_P(DbRights, EachKindIsRefusedWithItsOwnCode) {
    struct Case {
        const char* setting;
        StatementKind kind;
        const char* code;
    } cases[] = {
        {"SQL_Select=0", kSqlSelect, "10410"}, {"SQL_Insert=0", kSqlInsert, "10420"},
        {"SQL_Update=0", kSqlUpdate, "10430"}, {"SQL_Delete=0", kSqlDelete, "10440"},
        {"SQL_SP=0", kSqlOther, "10450"},
    };
    for (const Case& c : cases) {
        Configure(Source(1, dsn(), {c.setting}));
        Restart();
        for (int kind = kSqlSelect; kind <= kSqlOther; ++kind) {
            int allowed = CheckStatementRight(request, dsn(), static_cast<StatementKind>(kind), out);
            EXPECT_EQ(allowed, kind == c.kind ? 0 : 1) << c.setting << " kind " << kind;
        }
        EXPECT_EQ(Page(), Block(c.code)) << c.setting;
    }
    Restart();
    EXPECT_EQ(CheckSelectRight(request, dsn(), out), 1);
    EXPECT_EQ(Page(), "");
}

TEST_P(DbRights, UnknownSourceTakesTheKindsCodeAndNoSourcesNoPage) {
    EXPECT_EQ(CheckSelectRight(request, "elsewhere", out), 0);
    EXPECT_EQ(CheckStatementRight(request, "elsewhere", kSqlDelete, out), 0);
    EXPECT_EQ(Page(), Block("10410") + Block("10440"));

    Configure("");
    Restart();
    EXPECT_EQ(CheckSelectRight(request, dsn(), out), 0);
    EXPECT_EQ(CheckStatementRight(request, dsn(), kSqlInsert, out), 0);
    EXPECT_EQ(Page(), "");
}

TEST_P(DbTransaction, RollbackUndoesAndCommitKeepsEveryEnlistedChange) {
    FreshTable("tx_items", "id integer primary key, name varchar(20)");
    // A connection opened before the transaction joins it when reused.
    ASSERT_EQ(Connect(request, dsn(), "", "", out), 1);
    request.in_transaction = 1;
    ASSERT_EQ(Connect(request, dsn(), "", "", out), 1);
    EXPECT_EQ(GetDbState(request).enlisted.size(), 1u);
    ASSERT_EQ(RunModification(request, "INSERT INTO tx_items VALUES (1, 'gone')", out), 1) << Page();
    EXPECT_EQ(EndTransaction(request, true), 1);
    EXPECT_EQ(request.in_transaction, 0);
    EXPECT_TRUE(GetDbState(request).enlisted.empty());
    EXPECT_TRUE(RawRows("SELECT id FROM tx_items").empty());

    request.in_transaction = 1;
    ASSERT_EQ(Connect(request, dsn(), "", "", out), 1);
    ASSERT_EQ(RunModification(request, "INSERT INTO tx_items VALUES (2, 'kept')", out), 1);
    ASSERT_EQ(RunModification(request, "INSERT INTO tx_items VALUES (3, 'kept')", out), 1);
    EXPECT_EQ(EndTransaction(request, false), 1);
    EXPECT_EQ(RawRows("SELECT id, name FROM tx_items ORDER BY id"),
              (std::vector<std::string>{"2,kept", "3,kept"}));

    // Autocommit is back on: a change outside a transaction stays.
    ASSERT_EQ(RunModification(request, "DELETE FROM tx_items WHERE id = 2", out), 1);
    EXPECT_EQ(RawRows("SELECT id FROM tx_items"), (std::vector<std::string>{"3"}));
    EXPECT_EQ(Page(), "");
}

TEST_P(DbTransaction, ChangeOfNoRowRequestsRollbackAndEndOfRequestRollsBack) {
    FreshTable("tx_items", "id integer primary key, name varchar(20)");
    request.in_transaction = 1;
    ASSERT_EQ(Connect(request, dsn(), "", "", out), 1);
    Restart();
    QueryRun insert = Query("INSERT INTO tx_items VALUES (1, 'a')");
    ASSERT_EQ(RunQuery(request, insert, -1, nullptr, out), 1) << Page();
    EXPECT_EQ(request.in_transaction, 1);
    QueryRun update = Query("UPDATE tx_items SET name = 'b' WHERE id = 42");
    ASSERT_EQ(RunQuery(request, update, -1, nullptr, out), 1) << Page();
    EXPECT_EQ(request.in_transaction, -1);
    std::string log = Log();
    EXPECT_NE(log.find("1 rows affected.\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Operation successful\n"), std::string::npos) << log;

    // A request that ends inside the transaction does not keep its changes.
    g_hooks.release_queries(request);
    EXPECT_TRUE(RawRows("SELECT id FROM tx_items").empty());
}

KAVR_DB_BACKENDS(DbConnection);
KAVR_PG_ONLY(DbPostgresConnection);
KAVR_DB_BACKENDS(DbRights);
KAVR_DB_BACKENDS(DbTransaction);

}  // namespace
}  // namespace kavr
