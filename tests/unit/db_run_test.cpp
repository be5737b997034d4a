// Statements, the row engine and catalog lookups against each available
// database.
#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/odbc_error.h"
#include "db/run.h"
#include "db/statement.h"
#include "db/table_info.h"
#include "driver/core/log.h"
#include "driver/core/text_util.h"
#include "tests/db/db_fixture.h"
#include "tests/unit/charset_scope.h"

namespace kavr {
namespace {

using test::DbTest;

class DbRun : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (HasFatalFailure()) return;
        FreshTable("items",
                   "id integer primary key, name varchar(10), price numeric(8,2), "
                   "note text, made date, qty smallint");
        ASSERT_TRUE(raw().exec("INSERT INTO items VALUES (1, 'apple', 1.50, 'crisp', "
                               "'2024-01-02', 3)"));
        ASSERT_TRUE(raw().exec("INSERT INTO items (id, name) VALUES (2, NULL)"));
        ASSERT_TRUE(raw().exec("INSERT INTO items (id, name, qty) VALUES (3, 'pear', 7)"));
        ASSERT_EQ(Connect(request, dsn(), "", "", out), 1) << Page();
        Restart();
    }
};

// Keeps every row it is given, with the previous row at that time.
struct Collect : RowSink {
    std::vector<std::vector<std::string>> rows, previous;
    int began = 0, ended = 0, stop_after = -1;
    int begin(Request&, QueryRun&) override { return ++began; }
    int row(Request&, QueryRun& q) override {
        rows.push_back(q.result.values);
        previous.push_back(q.result.previous);
        return static_cast<int>(rows.size()) != stop_after;
    }
    int end(Request&, QueryRun&) override { return ++ended; }
};

TEST_P(DbRun, RowEngineDeliversRowsWithNullsAsEmptyTexts) {
    QueryRun q = Query("SELECT id, name, qty FROM items ORDER BY id");
    Collect sink;
    ASSERT_EQ(RunQuery(request, q, -1, &sink, out), 1) << Page();
    using Row = std::vector<std::string>;
    EXPECT_EQ(sink.rows, (std::vector<Row>{{"1", "apple", "3"}, {"2", "", ""}, {"3", "pear", "7"}}));
    EXPECT_EQ(sink.previous[0], Row{});
    EXPECT_EQ(sink.previous[2], (Row{"2", "", ""}));
    EXPECT_EQ(q.result.nulls, (std::vector<char>{0, 0, 0}));  // the last row's
    EXPECT_EQ(sink.began, 1);
    EXPECT_EQ(sink.ended, 1);
    EXPECT_EQ(q.row_count, 3);
    EXPECT_FALSE(q.fetching);
    EXPECT_EQ(Page(), "");
    std::string log = Log();
    EXPECT_NE(log.find("Starting execute SQL: SELECT id, name, qty FROM items ORDER BY id\nat time = "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("This is a select SQL statement\nSQL execution succeed with time = "),
              std::string::npos)
        << log;

    // A second run reuses the description and delivers the same rows.
    Collect again;
    ASSERT_EQ(RunQuery(request, q, -1, &again, out), 1);
    EXPECT_EQ(again.rows, sink.rows);
}

TEST_P(DbRun, ColumnsAreDescribedWithKnownTypesAndWidths) {
    QueryRun q = Query("SELECT id, name, price, note, made, qty FROM items WHERE id = 1");
    Collect sink;
    ASSERT_EQ(RunQuery(request, q, -1, &sink, out), 1) << Page();
    const auto& c = q.result.columns;
    ASSERT_EQ(c.size(), 6u);
    EXPECT_EQ(c[0].name, "id");
    EXPECT_EQ(c[0].type, SQL_INTEGER);
    EXPECT_EQ(c[0].width, 11);
    EXPECT_EQ(c[1].type, SQL_VARCHAR);
    EXPECT_EQ(c[1].width, 41);  // varchar(10): ten characters of up to four bytes
    // SQLite's driver calls numeric(8,2) a double, psqlODBC a numeric.
    EXPECT_TRUE(c[2].type == SQL_NUMERIC || c[2].type == SQL_DOUBLE) << c[2].type;
    EXPECT_EQ(c[3].type, SQL_LONGVARCHAR);
    EXPECT_TRUE(c[3].is_long);
    EXPECT_EQ(c[4].type, SQL_DATE);
    EXPECT_EQ(c[4].width, 10);
    EXPECT_EQ(c[5].type, SQL_SMALLINT);
    ASSERT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(sink.rows[0][3], "crisp");
    EXPECT_EQ(sink.rows[0][4], "2024-01-02");
    EXPECT_EQ(sink.rows[0][2].substr(0, 3), "1.5");
}

// SQLite's driver reports only the classic types; psqlODBC has more.
class DbPostgresRun : public DbRun {};

TEST_P(DbPostgresRun, TypesOutsideTheKnownSetReadAsText) {
    QueryRun q = Query("SELECT CAST('2dd38116-e2a1-4e85-b875-b70f53061da9' AS uuid) AS u, "
               "CAST('\\x0102ff' AS bytea) AS b");
    Collect sink;
    ASSERT_EQ(RunQuery(request, q, -1, &sink, out), 1) << Page();
    EXPECT_EQ(q.result.columns[0].reported_type, SQL_GUID);
    EXPECT_EQ(q.result.columns[0].type, SQL_CHAR);
    EXPECT_EQ(q.result.columns[1].reported_type, SQL_LONGVARBINARY);
    EXPECT_TRUE(q.result.columns[1].is_long);
    ASSERT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(ToLower(sink.rows[0][0]), "2dd38116-e2a1-4e85-b875-b70f53061da9");
    EXPECT_EQ(ToLower(sink.rows[0][1]), "0102ff");
    EXPECT_EQ(Page().find("Unknow datatype"), std::string::npos);
}

TEST_P(DbRun, RowLimitsOfQueryAndPrintApply) {
    QueryRun q = Query("SELECT id FROM items ORDER BY id");
    q.maxrows = 2;
    Collect two;
    ASSERT_EQ(RunQuery(request, q, 5, &two, out), 1);
    EXPECT_EQ(two.rows.size(), 2u);
    EXPECT_EQ(q.row_count, 2);
    Collect one;
    ASSERT_EQ(RunQuery(request, q, 1, &one, out), 1);
    EXPECT_EQ(one.rows.size(), 1u);
    Collect all;
    ASSERT_EQ(RunQuery(request, q, 0, &all, out), 1);
    EXPECT_EQ(all.rows.size(), 3u);
}

TEST_P(DbRun, ConsumerFailureStopsTheRun) {
    QueryRun q = Query("SELECT id FROM items ORDER BY id");
    Collect sink;
    sink.stop_after = 2;
    EXPECT_EQ(RunQuery(request, q, -1, &sink, out), 0);
    EXPECT_EQ(sink.rows.size(), 2u);
    EXPECT_EQ(sink.ended, 0);
    EXPECT_FALSE(q.fetching);
}

TEST_P(DbRun, ValueLongerThanItsColumnIsCutAndLogged) {
    // Three two-byte characters in a column described as three wide: whole
    // on a utf-8 site, cut to the bytes of the width on a single-byte one.
    FreshTable("short_texts", "v varchar(3)");
    ASSERT_TRUE(raw().exec("INSERT INTO short_texts VALUES ('\xc3\xa9\xc3\xa9\xc3\xa9')"));
    auto check = [&](int width, const std::string& value, bool logged) {
        QueryRun q = Query("SELECT v FROM short_texts");
        Collect sink;
        ASSERT_EQ(RunQuery(request, q, -1, &sink, out), 1) << Page();
        EXPECT_EQ(q.result.columns[0].width, width);
        ASSERT_EQ(sink.rows.size(), 1u);
        EXPECT_EQ(sink.rows[0][0], value);
        EXPECT_EQ(Log().find("2 chars truncated, col 0\n") != std::string::npos, logged) << Log();
    };
    check(13, "\xc3\xa9\xc3\xa9\xc3\xa9", false);
    test::ScopedCharset bytes(false);
    check(4, "\xc3\xa9\xc3\xa9", true);
}

TEST_P(DbRun, LongValuesAreCutAtTheirLimit) {
    FreshTable("long_texts", "body text");
    ASSERT_TRUE(raw().exec("INSERT INTO long_texts VALUES ('" + std::string(9000, 'x') + "')"));
    QueryRun q = Query("SELECT body FROM long_texts");
    Collect sink;
    ASSERT_EQ(RunQuery(request, q, -1, &sink, out), 1) << Page();
    ASSERT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(sink.rows[0][0], std::string(8191, 'x'));
}

std::string ColumnList(int n) {
    std::string sql = "SELECT ";
    for (int i = 1; i <= n; ++i) sql += (i > 1 ? ", " : "") + std::to_string(i) + " AS c" + std::to_string(i);
    return sql;
}

TEST_P(DbRun, ResultOfMoreThan511ColumnsIsRefused) {
    QueryRun widest = Query(ColumnList(511));
    Collect sink;
    ASSERT_EQ(RunQuery(request, widest, -1, &sink, out), 1) << Page();
    ASSERT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(sink.rows[0][510], "511");
    QueryRun too_wide = Query(ColumnList(512));
    EXPECT_EQ(RunQuery(request, too_wide, -1, &sink, out), 0);
    EXPECT_EQ(Page(), Block("12040"));
}

TEST_P(DbRun, DataChangesLogTheRowsTheyChanged) {
    ASSERT_EQ(RunModification(request, "UPDATE items SET qty = 1 WHERE id > 1", out), 1);
    ASSERT_EQ(RunModification(request, "DELETE FROM items WHERE id = 99", out), 1);
    ASSERT_EQ(RunModification(request, "CREATE TABLE made_here (a integer)", out), 1);
    ASSERT_EQ(RunModification(request, "DROP TABLE made_here", out), 1);
    // A select simply succeeds, whatever the driver says its row count is.
    ASSERT_EQ(RunModification(request, "SELECT * FROM items", out), 1);
    EXPECT_EQ(Log(), "2 rows affected.\nOperation successful\nOperation successful\n"
                     "Operation successful\n");
    EXPECT_EQ(Page(), "");
}

TEST_P(DbRun, FailedStatementShowsTheDriversDiagnostic) {
    EXPECT_EQ(RunModification(request, "INSERT INTO no_such_table VALUES (1)", out), 0);
    std::string page = Page();
    ASSERT_EQ(page.substr(0, Block("10023").size()), Block("10023"));
    std::string diagnostic = page.substr(Block("10023").size());
    EXPECT_NE(diagnostic.find("no_such_table"), std::string::npos) << diagnostic;
    EXPECT_NE(Log().find("Error Message="), std::string::npos);
    // The driver quotes the statement: its text reaches the page escaped.
    EXPECT_EQ(diagnostic.find('"'), std::string::npos) << diagnostic;

    Restart();
    QueryRun q = Query("SELECT nothing FROM no_such_table");
    EXPECT_EQ(RunQuery(request, q, -1, nullptr, out), 0);
    EXPECT_EQ(Page().substr(0, Block("10023").size()), Block("10023"));
    Restart();
    EXPECT_EQ(RunStatement(request, "SELEC 1", out), 0);
    EXPECT_EQ(Page().substr(0, Block("10023").size()), Block("10023"));
}

TEST_P(DbRun, NoDiagnosticMeansNoReport) {
    EXPECT_FALSE(ReportOdbcError(request, SQL_NULL_HSTMT, "10023", out));
    EXPECT_EQ(Page(), "");
}

TEST_P(DbRun, ExecutionTimeAccumulates) {
    // Enough work to take measurable time on either database.
    const std::string slow =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 300000) "
        "SELECT count(*) FROM c";
    QueryRun q = Query(slow);
    Collect sink;
    ASSERT_EQ(RunQuery(request, q, -1, &sink, out), 1) << Page();
    EXPECT_EQ(sink.rows[0][0], "300000");
    long after_query = request.execution_ms;
    EXPECT_GT(after_query, 0);
    ASSERT_EQ(RunStatement(request, slow, out), 1);
    EXPECT_GT(request.execution_ms, after_query);
}

TEST_P(DbRun, RowsAreCountedByFetchingOnEitherDriver) {
    long count = 0;
    ASSERT_EQ(CountRows(request, "SELECT id FROM items", -1, count, out), 1);
    EXPECT_EQ(count, 3);
    ASSERT_EQ(CountRows(request, "SELECT id FROM items", 2, count, out), 1);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(CountRows(request, "SELECT id FROM items WHERE id > 10", -1, count, out), 1);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(CountRows(request, "UPDATE items SET qty = 0 WHERE id = 99", -1, count, out), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(CountRows(request, "SELECT * FROM nowhere", -1, count, out), 0);
    EXPECT_EQ(count, -1);
}

TEST_P(DbRun, WholeValuesForSingleLookups) {
    Statement st;
    ResultSet rs;
    rs.mode = kFetchWhole;
    ASSERT_EQ(OpenResult(request, st, "SELECT name AS Fruit, note FROM items ORDER BY id", rs, out), 1);
    ASSERT_EQ(FetchRow(request, st, rs, out), 1);
    ASSERT_NE(rs.value("FRUIT"), nullptr);
    EXPECT_EQ(*rs.value("fruit"), "apple");
    EXPECT_EQ(rs.value("missing"), nullptr);
    ASSERT_EQ(FetchRow(request, st, rs, out), 1);
    EXPECT_EQ(*rs.value("fruit"), "");
    EXPECT_EQ(rs.nulls[0], 1);
    ASSERT_EQ(FetchRow(request, st, rs, out), 1);
    EXPECT_EQ(FetchRow(request, st, rs, out), -1);
}

TEST_P(DbRun, TableColumnsAndKeysComeFromTheCatalog) {
    std::vector<TableColumn> columns;
    ASSERT_EQ(TableColumns(request, "items", nullptr, columns, out), 1) << Page();
    std::vector<std::string> names;
    for (const TableColumn& c : columns) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"id", "name", "price", "note", "made", "qty"}));
    EXPECT_EQ(columns[0].type, SQL_INTEGER);
    EXPECT_EQ(columns[1].type, SQL_VARCHAR);
    EXPECT_EQ(columns[4].type, SQL_DATE);

    // The field list is searched for each name, ignoring case: "notes" takes note.
    const std::string fields = "Name,QTY,notes";
    ASSERT_EQ(TableColumns(request, "items", &fields, columns, out), 1);
    names.clear();
    for (const TableColumn& c : columns) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"name", "note", "qty"}));
    EXPECT_NE(Log().find("Out column_names...\n"), std::string::npos);

    std::vector<std::string> keys;
    ASSERT_EQ(KeyColumns(request, "items", keys, out), 1) << Page();
    EXPECT_EQ(keys, std::vector<std::string>{"id"});
    EXPECT_NE(Log().find("In primary_keys, tablename=items\n"), std::string::npos);

    EXPECT_EQ(TableColumns(request, "no_such_table", nullptr, columns, out), 0);
    EXPECT_EQ(KeyColumns(request, "no_such_table", keys, out), 0);
}

KAVR_DB_BACKENDS(DbRun);
KAVR_PG_ONLY(DbPostgresRun);

}  // namespace
}  // namespace kavr
