// Statement kinds, column types and widths, row limits: the decisions the
// database layer takes from texts and numbers alone.
#include <gtest/gtest.h>

#include "db/column_types.h"
#include "db/rights.h"
#include "db/run.h"
#include "tests/unit/charset_scope.h"

namespace kavr {
namespace {

TEST(DbClassify, WordsAnywhereDecideInFixedOrder) {
    struct Case {
        const char* sql;
        StatementKind kind;
    } cases[] = {
        {"SELECT * FROM t", kSqlSelect},
        {"select name from updates_log", kSqlUpdate},  // a select naming a table "update..."
        {"INSERT INTO t SELECT * FROM u", kSqlInsert},
        {"insert into deleted_rows values (1)", kSqlDelete},
        {"DELETE FROM t WHERE x IN (SELECT y FROM u)", kSqlDelete},
        {"UPDATE t SET a = (select 1)", kSqlUpdate},
        {"{call refresh_all}", kSqlOther},
        {"CREATE TABLE t (a int)", kSqlOther},
        {"exec sp_selection", kSqlSelect},  // "select" inside a word still counts
        {"", kSqlOther},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifySql(c.sql), c.kind) << c.sql;
}

TEST(DbFormTables, ListNamesTablesWholeIgnoringCaseAndBlanks) {
    EXPECT_TRUE(ListNamesTable("books", "BOOKS"));
    EXPECT_TRUE(ListNamesTable(" orders , books ", "books"));
    EXPECT_TRUE(ListNamesTable("orders,*", "anything"));
    EXPECT_FALSE(ListNamesTable("", "books"));
    EXPECT_FALSE(ListNamesTable("bookshelf,book", "books"));  // whole names, never a part
    EXPECT_FALSE(ListNamesTable("books", "book"));
    EXPECT_FALSE(ListNamesTable(",,", ""));
}

TEST(DbColumnTypes, TypesOfNewerDriversMapToTheirClosestKnownType) {
    struct Case {
        SQLSMALLINT reported, known;
    } cases[] = {
        {SQL_WCHAR, SQL_CHAR},
        {SQL_WVARCHAR, SQL_VARCHAR},
        {SQL_WLONGVARCHAR, SQL_LONGVARCHAR},
        {SQL_GUID, SQL_CHAR},
        {SQL_VARBINARY, SQL_BINARY},
        {SQL_LONGVARBINARY, SQL_LONGVARCHAR},
        {SQL_TYPE_DATE, SQL_DATE},
        {SQL_TYPE_TIME, SQL_TIME},
        {SQL_TYPE_TIMESTAMP, SQL_TIMESTAMP},
        {SQL_INTERVAL_DAY_TO_SECOND, SQL_VARCHAR},
        {-150, SQL_LONGVARCHAR},  // a driver's own type: read as text
        {SQL_DECIMAL, SQL_DECIMAL},
        {SQL_BIT, SQL_BIT},
    };
    for (const Case& c : cases) EXPECT_EQ(ClosestKnownType(c.reported), c.known) << c.reported;
    EXPECT_EQ(PrecisionForType(SQL_GUID, 16), 36u);
    EXPECT_EQ(PrecisionForType(SQL_VARCHAR, 16), 16u);
}

TEST(DbColumnTypes, WidthsFollowTypePrecisionAndNameLength) {
    struct Case {
        SQLSMALLINT type;
        SQLULEN precision;
        size_t name_length;
        int width;
        bool is_long;
    } cases[] = {
        {SQL_BIT, 1, 4, 2, false},          {SQL_BIT, 0, 4, 1, false},
        {SQL_SMALLINT, 5, 3, 6, false},     {SQL_TINYINT, 3, 9, 9, false},
        {SQL_BIGINT, 19, 30, 20, false},    {SQL_BIGINT, 25, 2, 25, false},
        {SQL_BINARY, 10, 8, 16, false},     {SQL_BINARY, 255, 1, 255, false},
        {SQL_CHAR, 10, 2, 11, false},       {SQL_VARCHAR, 3, 20, 20, false},
        {SQL_NUMERIC, 8, 2, 10, false},     {SQL_DECIMAL, 8, 15, 15, false},
        {SQL_INTEGER, 10, 2, 11, false},    {SQL_INTEGER, 10, 14, 14, false},
        {SQL_REAL, 7, 2, 13, false},        {SQL_FLOAT, 15, 2, 22, false},
        {SQL_DOUBLE, 15, 25, 25, false},    {SQL_DATE, 10, 30, 10, false},
        {SQL_TIME, 8, 2, 8, false},         {SQL_TIMESTAMP, 26, 2, 26, false},
        {SQL_TIMESTAMP, 19, 2, 23, false},  {SQL_LONGVARCHAR, 8190, 2, 0, true},
        // Precisions no bound buffer should take are read piecewise.
        {SQL_VARCHAR, 8190, 2, 8191, false}, {SQL_VARCHAR, 8191, 2, 0, true},
        {SQL_VARCHAR, 2147483647, 2, 0, true},
    };
    test::ScopedCharset bytes(false);
    for (const Case& c : cases) {
        ColumnWidth w = WidthForColumn(c.type, c.precision, c.name_length);
        EXPECT_EQ(w.width, c.width) << c.type << " " << c.precision;
        EXPECT_EQ(w.is_long, c.is_long) << c.type << " " << c.precision;
    }
}

TEST(DbColumnTypes, CharacterColumnsHoldFourBytesACharacterOnAUtf8Site) {
    test::ScopedCharset utf8(true);
    EXPECT_EQ(WidthForColumn(SQL_VARCHAR, 10, 2).width, 41);
    EXPECT_EQ(WidthForColumn(SQL_CHAR, 3, 20).width, 20);
    EXPECT_EQ(WidthForColumn(SQL_VARCHAR, 2047, 2).width, 8189);
    EXPECT_TRUE(WidthForColumn(SQL_VARCHAR, 2048, 2).is_long);
    EXPECT_EQ(WidthForColumn(SQL_INTEGER, 10, 2).width, 11);
}

TEST(DbRowLimit, SmallerPositiveLimitWinsAndZeroMeansNone) {
    struct Case {
        int print, query, limit;
    } cases[] = {
        {3, 5, 3}, {5, 3, 3}, {4, -1, 4}, {-1, 4, 4}, {-1, -1, -1}, {0, 5, -1}, {5, 0, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(RowLimit(c.print, c.query), c.limit) << c.print << "," << c.query;
}

// A record count takes a positive limit from either side even when the
// other one is 0.
TEST(DbCountLimit, PositiveLimitWinsOverZero) {
    struct Case {
        int print, query, limit;
    } cases[] = {
        {3, 5, 3}, {5, 3, 3}, {4, -1, 4}, {-1, 4, 4}, {-1, -1, -1}, {0, 5, 5}, {3, 0, 3}, {0, 0, -1}, {0, -1, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(CountLimit(c.print, c.query), c.limit) << c.print << "," << c.query;
}

}  // namespace
}  // namespace kavr
