// Form-driven inserts and updates against each available database: the
// statements built from the table's columns and key, their messages and
// log lines, rights, transactions and hostile values.
#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/form_dml.h"
#include "db/run.h"
#include "tests/db/db_fixture.h"

namespace kavr {
namespace {

using test::DbTest;

class DbFormDml : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (HasFatalFailure()) return;
        FreshTable("books",
                   "id integer primary key, title varchar(40), price numeric(8,2), "
                   "added date, note varchar(200)");
        ASSERT_TRUE(raw().exec("INSERT INTO books (id, title, price) VALUES (1, 'old', 2)"));
        ASSERT_TRUE(raw().exec("INSERT INTO books (id, title, price) VALUES (2, 'other', 4)"));
        request.datasource = dsn();
        request.tablename = "books";
    }

    void Form(const std::vector<NameValue>& vars) {
        request.input.vars = vars;
        request.input.url_count = 0;
        request.input.form_end = vars.size();
    }

    std::vector<std::string> Books() { return RawRows("SELECT id, title FROM books ORDER BY id"); }
    using Rows = std::vector<std::string>;
};

TEST_P(DbFormDml, InsertTakesTheNonEmptyFieldsOfColumnsOnly) {
    Form({{"action", "insert"}, {"ID", "3"}, {"title", "it's"}, {"price", ""}, {"stray", "x"},
          {"title", "second title is ignored"}});
    ASSERT_EQ(FormDml(request, kFormInsert, out), 1) << Page();
    const std::string sql = "INSERT INTO books (id,title)\n VALUES (3,'it''s')\n";
    EXPECT_EQ(request.sql_texts, Rows{sql});
    EXPECT_EQ(Books(), (Rows{"1,old", "2,other", "3,it's"}));
    EXPECT_EQ(RawRows("SELECT price FROM books WHERE id = 3"), Rows{"<NULL>"});
    std::string log = Log();
    EXPECT_NE(log.find("Is SQL_Insert\n"), std::string::npos) << log;
    // The statement's line breaks stay inside its one log line.
    EXPECT_NE(log.find("DML=INSERT INTO books (id,title)\\n VALUES (3,'it''s')\\n\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find("1 rows affected.\n"), std::string::npos) << log;
    EXPECT_EQ(Page(), "");
}

TEST_P(DbFormDml, InsertWritesDatesAndNumbersInTheirForms) {
    Form({{"id", "4"}, {"added", "2024-03-04"}, {"price", " 12.25 "}, {"title", ""}});
    ASSERT_EQ(FormDml(request, kFormInsert, out), 1) << Page();
    EXPECT_EQ(request.sql_texts,
              Rows{"INSERT INTO books (id,price,added)\n VALUES (4,12.25,{d '2024-03-04'})\n"});
    EXPECT_EQ(RawRows("SELECT id, added FROM books WHERE price = 12.25"), Rows{"4,2024-03-04"});
}

TEST_P(DbFormDml, BinaryColumnsTakePairsOfHexadecimalDigits) {
    // PostgreSQL's driver lists bytea as long binary, which is written as
    // quoted text; SQLite's blob is binary and takes X'...'.
    FreshTable("blobs", postgres() ? "id integer primary key, data bytea"
                                   : "id integer primary key, data blob");
    request.tablename = "blobs";
    Form({{"id", "1"}, {"data", "00fF"}});
    ASSERT_EQ(FormDml(request, kFormInsert, out), 1) << Page();
    if (postgres()) {
        EXPECT_EQ(RawRows("SELECT encode(data, 'escape') FROM blobs"), Rows{"00fF"});
        return;
    }
    EXPECT_EQ(RawRows("SELECT typeof(data), hex(data) FROM blobs"), Rows{"blob,00FF"});
    Form({{"id", "2"}, {"data", "0'); DELETE FROM blobs;--"}});
    EXPECT_EQ(FormDml(request, kFormInsert, out), 0);
    EXPECT_EQ(Page(), "Invalid value for column data<BR>");
    EXPECT_EQ(RawRows("SELECT id FROM blobs"), Rows{"1"});
}

TEST_P(DbFormDml, InsertWithoutAnyValueRunsNothing) {
    Form({{"title", ""}, {"nothing", "here"}});
    EXPECT_EQ(FormDml(request, kFormInsert, out), 0);
    EXPECT_TRUE(request.sql_texts.empty());
    EXPECT_NE(Log().find("DML=INSERT INTO books ()\\n VALUES ()\\n\n"), std::string::npos) << Log();
    EXPECT_EQ(Books(), (Rows{"1,old", "2,other"}));
}

TEST_P(DbFormDml, UpdateAssignsSentColumnsWhereTheKeyMatches) {
    Form({{"id", "1"}, {"title", "new"}, {"price", "3.5"}, {"note", ""}});
    ASSERT_EQ(FormDml(request, kFormUpdate, out), 1) << Page();
    const std::string set = "UPDATE books SET title='new',price=3.5,note=''";
    const std::string where = " WHERE books.id=1";
    EXPECT_EQ(request.sql_texts, Rows{set + "\n" + where + "\n"});
    EXPECT_EQ(Books(), (Rows{"1,new", "2,other"}));
    EXPECT_EQ(RawRows("SELECT id, note FROM books WHERE price = 3.5"), Rows{"1,"});
    std::string log = Log();
    for (const std::string& line :
         {std::string("Is SQL_Update\n"), std::string("In primary_keys, tablename=books\n"),
          std::string("All Primary_keys have valued\n"), "UPDATE SET FINISHED: " + set + "\n",
          "UPDATE WHERE FINISHED = " + where + "\n", std::string("1 rows affected.\n")})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n---\n" << log;
}

TEST_P(DbFormDml, UpdateRefusesMissingKeysAndKeyOnlyForms) {
    // No value for the key: nothing runs, nothing is recorded.
    for (const std::vector<NameValue>& vars :
         {std::vector<NameValue>{{"title", "x"}}, std::vector<NameValue>{{"id", ""}, {"title", "x"}}}) {
        Restart();
        Form(vars);
        EXPECT_EQ(FormDml(request, kFormUpdate, out), 0);
        EXPECT_EQ(Page(), "Not all primary keys with value<BR>");
        EXPECT_NE(Log().find("Error: Not All Primary_keys have valued\n"), std::string::npos);
    }
    // Only the key: no assignment to make.
    Restart();
    Form({{"id", "1"}});
    EXPECT_EQ(FormDml(request, kFormUpdate, out), 0);
    EXPECT_NE(Log().find("Error DML Statement: UPDATE books SET \n"), std::string::npos) << Log();
    EXPECT_EQ(Page(), "");
    EXPECT_TRUE(request.sql_texts.empty());
    EXPECT_EQ(Books(), (Rows{"1,old", "2,other"}));
}

TEST_P(DbFormDml, EveryKeyColumnJoinsTheCondition) {
    FreshTable("pairs", "a integer, b varchar(5), v varchar(5), primary key (a, b)");
    ASSERT_TRUE(raw().exec("INSERT INTO pairs VALUES (1, 'x', 'old'), (1, 'y', 'old')"));
    request.tablename = "pairs";
    Form({{"v", "new"}, {"b", "x"}, {"a", "1"}});
    ASSERT_EQ(FormDml(request, kFormUpdate, out), 1) << Page();
    EXPECT_EQ(request.sql_texts, Rows{"UPDATE pairs SET v='new'\n WHERE pairs.a=1 AND pairs.b='x'\n"});
    EXPECT_EQ(RawRows("SELECT b, v FROM pairs ORDER BY b"), (Rows{"x,new", "y,old"}));
}

TEST_P(DbFormDml, UpdateOfATableWithoutKeyIsRefused) {
    FreshTable("loose", "id integer, title varchar(10)");
    ASSERT_TRUE(raw().exec("INSERT INTO loose VALUES (1, 'a'), (2, 'b')"));
    request.tablename = "loose";
    Form({{"id", "1"}, {"title", "changed"}});
    EXPECT_EQ(FormDml(request, kFormUpdate, out), 0);
    EXPECT_EQ(Page(), "No primary keys<BR>");
    EXPECT_NE(Log().find("Error: No Primary keys\n"), std::string::npos);
    EXPECT_EQ(RawRows("SELECT title FROM loose ORDER BY id"), (Rows{"a", "b"}));
}

TEST_P(DbFormDml, EmptyNumberInAnUpdateIsTheDriversError) {
    Form({{"id", "1"}, {"price", ""}});
    EXPECT_EQ(FormDml(request, kFormUpdate, out), 0);
    EXPECT_EQ(request.sql_texts, Rows{"UPDATE books SET price=\n WHERE books.id=1\n"});
    EXPECT_EQ(Page().rfind(Block("10023"), 0), 0u) << Page();
}

TEST_P(DbFormDml, FieldListLimitsTheColumnsButNotTheKey) {
    // "titles" holds the name title; the key id still selects the row.
    request.formfields = "Titles,note";
    Form({{"id", "2"}, {"title", "listed"}, {"price", "99"}});
    ASSERT_EQ(FormDml(request, kFormUpdate, out), 1) << Page();
    EXPECT_EQ(request.sql_texts, Rows{"UPDATE books SET title='listed'\n WHERE books.id=2\n"});
    EXPECT_EQ(RawRows("SELECT title FROM books WHERE price = 4"), Rows{"listed"});

    request.sql_texts.clear();
    request.formfields = "id,title";
    Form({{"id", "7"}, {"title", "t"}, {"price", "5"}});
    ASSERT_EQ(FormDml(request, kFormInsert, out), 1) << Page();
    EXPECT_EQ(request.sql_texts, Rows{"INSERT INTO books (id,title)\n VALUES (7,'t')\n"});

    // A list that admits no column of the table runs nothing.
    request.formfields = "nothing";
    EXPECT_EQ(FormDml(request, kFormInsert, out), 0);
}

TEST_P(DbFormDml, RightsAreCheckedAfterTheStatementIsRecorded) {
    Configure(Source(1, dsn(), {"SQL_Insert=0", "SQL_Update=0"}));
    Form({{"id", "8"}, {"title", "refused"}});
    EXPECT_EQ(FormDml(request, kFormInsert, out), 0);
    EXPECT_EQ(Page(), Block("10420"));
    EXPECT_EQ(request.sql_texts, Rows{"INSERT INTO books (id,title)\n VALUES (8,'refused')\n"});

    Restart();
    Form({{"id", "1"}, {"title", "refused"}});
    EXPECT_EQ(FormDml(request, kFormUpdate, out), 0);
    EXPECT_EQ(Page(), Block("10430"));
    EXPECT_EQ(request.sql_texts.size(), 2u);
    EXPECT_EQ(Books(), (Rows{"1,old", "2,other"}));
}

TEST_P(DbFormDml, SourceAndTableMustBeNamed) {
    request.datasource = "";
    Form({{"id", "9"}});
    EXPECT_EQ(FormDml(request, kFormInsert, out), 0);
    EXPECT_EQ(Page(), "No Data Source Name<BR>");
    EXPECT_NE(Log().find("Error: No Data Source Name\n"), std::string::npos);

    Restart();
    request.datasource = "not_configured";
    EXPECT_EQ(FormDml(request, kFormInsert, out), 0);
    EXPECT_EQ(Page().rfind("[|Error Code = 10020", 0), 0u) << Page();

    Restart();
    request.datasource = dsn();
    request.tablename = "no_such_table";
    EXPECT_EQ(FormDml(request, kFormInsert, out), 0);
    EXPECT_TRUE(request.sql_texts.empty());
}

TEST_P(DbFormDml, HostileValuesStayInsideTheirLiterals) {
    const std::string text_attack = "x'); DELETE FROM books;--";
    const std::string backslashes = "a\\'b\\";
    Form({{"id", "10"}, {"title", text_attack}, {"note", backslashes}});
    ASSERT_EQ(FormDml(request, kFormInsert, out), 1) << Page();
    EXPECT_EQ(Books(), (Rows{"1,old", "2,other", "10," + text_attack}));
    EXPECT_EQ(RawRows("SELECT note FROM books WHERE id = 10"), Rows{backslashes});

    // A value that is no number is refused before anything is built or run.
    struct Refused {
        FormDmlKind kind;
        std::vector<NameValue> vars;
        std::string column;
    };
    const Refused refused[] = {
        {kFormInsert, {{"id", "11"}, {"price", "1); DELETE FROM books;--"}}, "price"},
        {kFormUpdate, {{"id", "1 OR 1=1"}, {"title", "all"}}, "id"},
        {kFormUpdate, {{"id", "1"}, {"added", "2024-01-01'}, title='x"}}, "added"},
        {kFormUpdate, {{"id", "1"}, {"title", std::string("nul\0byte", 8)}}, "title"},
    };
    for (const Refused& r : refused) {
        Restart();
        request.sql_texts.clear();
        Form(r.vars);
        EXPECT_EQ(FormDml(request, r.kind, out), 0) << r.column;
        EXPECT_EQ(Page(), "Invalid value for column " + r.column + "<BR>");
        EXPECT_NE(Log().find("Error: Column " + r.column + " needs a "), std::string::npos) << Log();
        EXPECT_TRUE(request.sql_texts.empty());
    }
    EXPECT_EQ(Books(), (Rows{"1,old", "2,other", "10," + text_attack}));

    // The table name is written as it is, so only a plain name is taken.
    Restart();
    request.tablename = "books; DELETE FROM books";
    Form({{"id", "12"}, {"title", "t"}});
    EXPECT_EQ(FormDml(request, kFormInsert, out), 0);
    EXPECT_EQ(Page(), "Invalid table name<BR>");
    EXPECT_EQ(Books().size(), 3u);
}

TEST_P(DbFormDml, UpdateMatchingNoRowRollsTheTransactionBack) {
    // Outside a transaction it is merely an operation without rows.
    Form({{"id", "99"}, {"title", "nobody"}});
    ASSERT_EQ(FormDml(request, kFormUpdate, out), 1) << Page();
    EXPECT_NE(Log().find("Operation successful\n"), std::string::npos);
    EXPECT_EQ(request.in_transaction, 0);

    request.in_transaction = 1;
    Form({{"id", "20"}, {"title", "inside"}});
    ASSERT_EQ(FormDml(request, kFormInsert, out), 1) << Page();
    EXPECT_EQ(request.in_transaction, 1);
    Form({{"id", "99"}, {"title", "nobody"}});
    ASSERT_EQ(FormDml(request, kFormUpdate, out), 1) << Page();
    EXPECT_LT(request.in_transaction, 0);
    EXPECT_EQ(EndTransaction(request, request.in_transaction < 0), 1);
    EXPECT_EQ(Books(), (Rows{"1,old", "2,other"}));
}

// A server that reads backslashes in quoted texts as escapes: a value that
// ends in one must not end its literal early.
class DbFormDmlEscapingServer : public DbFormDml {};

TEST_P(DbFormDmlEscapingServer, BackslashesAreDoubledForAServerThatEscapes) {
    ASSERT_EQ(Connect(request, dsn(), "", "", out), 1) << Page();
    ASSERT_EQ(RunStatement(request, "SET standard_conforming_strings = off", out), 1) << Page();
    const std::string first = "ends in a backslash\\";
    const std::string second = ",'x'); DELETE FROM books;--";
    Form({{"id", "30"}, {"title", first}, {"note", second}});
    ASSERT_EQ(FormDml(request, kFormInsert, out), 1) << Page();
    EXPECT_EQ(RawRows("SELECT title, note FROM books WHERE id = 30"), Rows{first + "," + second});
    EXPECT_EQ(Books().size(), 3u);
}

KAVR_DB_BACKENDS(DbFormDml);
KAVR_PG_ONLY(DbFormDmlEscapingServer);

}  // namespace
}  // namespace kavr
