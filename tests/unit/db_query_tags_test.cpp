// The query tags, query values and the print tags, run as template text
// against each available database.
#include <gtest/gtest.h>

#include "db/query_state.h"
#include "driver/core/hooks.h"
#include "expr/lexer.h"
#include "expr/register.h"
#include "template/interpreter.h"
#include "template/register.h"
#include "tests/db/db_fixture.h"

namespace kavr {
namespace {

using test::DbTest;

class DbQueryTags : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (HasFatalFailure()) return;
        ClearTagTable();
        RegisterExprModule();
        RegisterTemplateModule();
        RegisterDbModule();
        request.out.set_buffered(true);
        site.write("kavr_msg.ini", site.read("kavr_msg.ini") + "10920c=msg 10920\n");
        FreshTable("staff", "id integer primary key, dept varchar(10), name varchar(20), pay integer");
        ASSERT_TRUE(raw().exec("INSERT INTO staff VALUES (1, 'ops', 'Ann', 10), (2, 'ops', 'Bob', NULL), "
                               "(3, 'dev', 'Cy', 30), (4, 'dev', 'Di', 40), (5, 'web', 'Ed', 50)"));
    }

    std::string Q(const std::string& name, const std::string& sql, const std::string& extra = "") {
        return "<kavdbquery name=\"" + name + "\" datasource=\"" + dsn() + "\" sql=\"" + sql + "\"" +
               extra + ">";
    }
};

TEST_P(DbQueryTags, GroupLevelsPrintHeadersOncePerGroupAndFootersWhenTheGroupEnds) {
    const std::string page =
        Run(Q("S", "SELECT dept, name FROM staff ORDER BY id") +
            "<kavprint query=\"S\" group=\"dept\">[#dept#:<kavprint>#name# </kavprint>]</kavprint>");
    EXPECT_EQ(page, "[ops:Ann Bob ][dev:Cy Di ][web:Ed ]") << Log();
    EXPECT_NE(Log().find("Group Field=dept\n"), std::string::npos);
}

TEST_P(DbQueryTags, InnerFootersCloseBeforeTheOuterFooter) {
    const std::string page = Run(
        Q("S", "SELECT dept, name FROM staff WHERE id < 4 ORDER BY id") +
        "<kavprint query=\"S\" group=\"dept\">(#dept#<kavprint group=\"name\">{#name#<kavprint>.</kavprint>}"
        "</kavprint>)</kavprint>");
    EXPECT_EQ(page, "(ops{Ann.}{Bob.})(dev{Cy.})") << Log();
}

TEST_P(DbQueryTags, PrintWithoutQueryRunsOnceAndLevelWithoutColumnsPrintsOnce) {
    EXPECT_EQ(Run("<kavprint>once</kavprint>"), "once");
    EXPECT_EQ(Run(Q("S", "SELECT name FROM staff") + "<kavprint query=\"S\">head</kavprint>"), "head");
}

TEST_P(DbQueryTags, NullsPrintEmptyAndColumnsOutsideTheLoopGiveTheFirstRow) {
    EXPECT_EQ(Run(Q("S", "SELECT name, pay FROM staff WHERE id < 3 ORDER BY id") +
                  "<kavprint query=\"S\">#name#=#pay#;</kavprint>"),
              "Ann=10;Bob=;");
    EXPECT_EQ(Run(Q("F", "SELECT name FROM staff ORDER BY id DESC") +
                  "<kavprint>#F.name#,#F.name#</kavprint>"),
              "Ed,Ed");
}

TEST_P(DbQueryTags, RowLimitsOfQueryAndPrintAndTheRecordCount) {
    std::string page = Run(Q("S", "SELECT name FROM staff ORDER BY id", " maxrows=3") +
                           "<kavprint>#S.recordcount#|</kavprint>"
                           "<kavprint query=\"S\" maxrows=\"2\">#name#,</kavprint>"
                           "<kavprint>|#S.recordcount#</kavprint>");
    EXPECT_EQ(page, "3|Ann,Bob,|2") << Log();
    // Print maxrows stays in force for later print tags of the request.
    page = Run(Q("T", "SELECT name FROM staff ORDER BY id") +
               "<kavprinttable query=\"T\" maxrows=\"1\"></kavprinttable>"
               "<kavprint query=\"T\">#name#,</kavprint>");
    EXPECT_EQ(page, "<PRE><TT>\n\n</TT></PRE>Ann,") << Log();
    // A zero on either side means no limit at all.
    EXPECT_EQ(Run("<kavprint query=\"S\" maxrows=\"0\">#name#,</kavprint>"), "Ann,Bob,Cy,Di,Ed,");
}

TEST_P(DbQueryTags, RecordCountOfAnUnprintedQueryTakesThePositiveLimit) {
    // Print maxrows 3 from an earlier print; the query's own 0 is no limit,
    // so the count stops at 3 where a print loop would print every row.
    std::string page = Run(Q("S", "SELECT name FROM staff ORDER BY id") +
                           "<kavprint query=\"S\" maxrows=\"3\">#name#,</kavprint>" +
                           Q("Z", "SELECT name FROM staff ORDER BY id", " maxrows=0") +
                           "<kavprint>|#Z.recordcount#</kavprint>");
    EXPECT_EQ(page, "Ann,Bob,Cy,|3") << Log();
}

TEST_P(DbQueryTags, ValueListsOfAColumn) {
    EXPECT_EQ(Run(Q("S", "SELECT name FROM staff WHERE id < 4 ORDER BY id") +
                  Q("N", "SELECT name FROM staff WHERE id > 100") +
                  "<kavprint>#valuelist(S.name)#|#quotedvaluelist(s.NAME)#|#valuelist(N.name)#</kavprint>"),
              "Ann,Bob,Cy|'Ann','Bob','Cy'|");
}

TEST_P(DbQueryTags, DataChangesRunWhereDefinedAndDeferredQueriesAtTheirClosingTag) {
    Run(Q("I", "INSERT INTO staff (id, dept, name) VALUES (6, 'x', 'Fay')"));
    EXPECT_EQ(RawRows("SELECT name FROM staff WHERE id = 6"), std::vector<std::string>{"Fay"});
    int rc = 0;
    Run(Q("D", "INSERT INTO staff (id, dept, name)") + "<kavdbquerymore sql=\"VALUES (7,\">"
            "<kavdbquerymore sql=\"'x', 'Gus')\"></kavdbquery>",
        &rc);
    EXPECT_EQ(rc, 1) << Log();
    EXPECT_EQ(RawRows("SELECT name FROM staff WHERE id = 7"), std::vector<std::string>{"Gus"});
    EXPECT_EQ(Queries(request).queries.back()->run.sql,
              "INSERT INTO staff (id, dept, name) VALUES (7, 'x', 'Gus')");
}

TEST_P(DbQueryTags, AClosingTagDoesNotRunAQueryThatAlreadyRan) {
    int rc = 0;
    Run(Q("I", "INSERT INTO staff (id, name) VALUES (40, 'one')") + "</kavdbquery></kavdbquery>", &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(RawRows("SELECT count(*) FROM staff WHERE id = 40"), std::vector<std::string>{"1"});
}

TEST_P(DbQueryTags, TheFirstQueryOfANameWins) {
    EXPECT_EQ(Run(Q("S", "SELECT name FROM staff WHERE id = 1") +
                  Q("s", "SELECT name FROM staff WHERE id = 2") + "<kavprint query=\"S\">#name#</kavprint>"),
              "Ann");
}

TEST_P(DbQueryTags, TransactionsCommitOrRollBack) {
    int rc = 0;
    Run("<kavdbtransaction>" + Q("A", "INSERT INTO staff (id, name) VALUES (10, 'T1')") +
            "</kavdbtransaction>",
        &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(RawRows("SELECT name FROM staff WHERE id = 10"), std::vector<std::string>{"T1"});
    // An update that matches no row rolls the whole transaction back, silently.
    std::string page = Run("<kavdbtransaction>" + Q("B", "INSERT INTO staff (id, name) VALUES (11, 'T2')") +
                               Q("C", "UPDATE staff SET name = 'none' WHERE id = 999") +
                               "</kavdbtransaction>after",
                           &rc);
    EXPECT_EQ(page, "after");
    EXPECT_TRUE(RawRows("SELECT name FROM staff WHERE id = 11").empty());
    // kavdbrollback asks for the same; outside a transaction it does nothing.
    Run("<kavdbtransaction>" + Q("E", "INSERT INTO staff (id, name) VALUES (12, 'T3')") +
        "<kavdbrollback></kavdbtransaction><kavdbrollback>" +
        Q("G", "INSERT INTO staff (id, name) VALUES (13, 'T4')"));
    EXPECT_TRUE(RawRows("SELECT name FROM staff WHERE id = 12").empty());
    EXPECT_EQ(RawRows("SELECT name FROM staff WHERE id = 13"), std::vector<std::string>{"T4"});
    EXPECT_EQ(request.in_transaction, 0);
}

TEST_P(DbQueryTags, RightsAndDatabasePermissionRefuse) {
    Configure(Source(1, dsn(), {"SQL_Insert=0", "SQL_Select=1", "SQL_Update=1", "SQL_Delete=1"}));
    int rc = 1;
    std::string page = Run(Q("I", "INSERT INTO staff (id, name) VALUES (20, 'no')") + "after", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(page, Block("10420"));
    EXPECT_TRUE(RawRows("SELECT name FROM staff WHERE id = 20").empty());

    Configure(Source(1, dsn(), {"SQL_Select=0", "SQL_Insert=1", "SQL_Update=1", "SQL_Delete=1"}));
    page = Run(Q("S", "SELECT name FROM staff"), &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(page, Block("10410"));

    Configure(Source(1, dsn(), {"SQL_Select=1"}));
    request.permissions.database = false;
    page = Run(Q("P", "SELECT name FROM staff") + "<kavprint query=\"P\">#name#</kavprint>", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(page, Block("10920"));
    EXPECT_NE(Log().find("Error: Database Operation is disabled\n"), std::string::npos);
    std::string name;
    request.vars.get("CurQueryName__", 0, name, 100);
    EXPECT_EQ(name, "P");
    // Data changes need the permission too.
    page = Run(Q("J", "INSERT INTO staff (id, name) VALUES (21, 'no')"), &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(RawRows("SELECT name FROM staff WHERE id = 21").empty());
}

TEST_P(DbQueryTags, UrlValuesReachSqlWithTheirQuotesDoubled) {
    request.input.vars = {{"who", "x' OR 'a'='a"}, {"ok", "Cy"}};
    request.input.url_count = 2;
    request.input.form_end = 2;
    EXPECT_EQ(Run(Q("S", "SELECT name FROM staff WHERE name = '#url.who#'") +
                  "<kavprint query=\"S\">#name#,</kavprint>-" +
                  Q("T", "SELECT name FROM staff WHERE name = '#url.ok#'") +
                  "<kavprint query=\"T\">#name#</kavprint>"),
              "-Cy")
        << Log();
}

TEST_P(DbQueryTags, TextTablesPadByAlignmentAndVisibleLength) {
    std::string page = Run(
        Q("S", "SELECT id, name FROM staff WHERE id < 3 ORDER BY id") +
        "<kavprinttable query=\"S\" colspacing=\"1\" headerlines=\"1\">"
        "<kavprinttablecol width=\"4\" text=\"#id#\" header=\"N\" align=\"right\">"
        "<kavprinttablecol width=\"5\" text=\"<a href='x'>#name#</a>\" header=\"Who\" align=\"center\">"
        "<kavprinttablecol width=\"3\" text=\"#name#\"></kavprinttable>");
    EXPECT_EQ(page,
              "<PRE><TT>\n"
              "   N  Who  \n"
              "   1  <a href='x'>Ann</a>  Ann \n"
              "   2  <a href='x'>Bob</a>  Bob \n"
              "</TT></PRE>")
        << Log();
}

TEST_P(DbQueryTags, HtmlTablesInPixelAndPercentStyle) {
    const std::string cols =
        "<kavprinttablecol width=\"100\" text=\"#name#\" header=\"Name\">"
        "<kavprinttablecol width=\"50\" text=\"#pay#\" align=\"right\">"
        "<kavprinttablecol text=\"#id#\" align=\"center\"></kavprinttable>";
    std::string page = Run(Q("S", "SELECT id, name, pay FROM staff WHERE id = 2") +
                           "<kavprinttable query=\"S\" htmltable border widthstyle=\"pixel\">" + cols);
    EXPECT_EQ(page,
              "<TABLE WIDTH=\"154\" CELLSPACING=\"2\"  BORDER>"
              "<TR><TH WIDTH=100 ALIGN=LEFT>Name</TH><TH WIDTH=50 ALIGN=RIGHT><TH ALIGN=MIDDLE></TR>\n"
              "<TR><TD WIDTH=100 ALIGN=LEFT>Bob</TD><TD WIDTH=50 ALIGN=RIGHT></TD><TD ALIGN=MIDDLE>2</TD></TR>\n"
              "</TABLE>")
        << Log();
    page = Run("<kavprinttable query=\"S\" htmltable>" + cols);
    EXPECT_EQ(page.substr(0, page.find("</TR>")),
              "<TABLE CELLSPACING=\"2\" ><TR><TH WIDTH=100% ALIGN=LEFT>Name</TH>"
              "<TH WIDTH=50% ALIGN=RIGHT><TH ALIGN=MIDDLE>");
}

TEST_P(DbQueryTags, FileTablesFillRowsAcrossLineEnds) {
    site.write("fields.txt", "a;b\r\nc;d\ne;f\n");
    g_hooks.resolve_file_path = [](Request&, const std::string& name, std::string& physical,
                                   const std::string&, const std::string&, ResponseStream&) {
        physical = name;
        return 1;
    };
    std::string page = Run("<kavprinttable File=\"" + site.path("fields.txt") +
                           "\" delimiter=\";\" htmltable>"
                           "<kavprinttablecol><kavprinttablecol><kavprinttablecol></kavprinttable>");
    g_hooks.resolve_file_path = nullptr;
    EXPECT_EQ(page,
              "<TABLE CELLSPACING=\"2\" >"
              "<TR><TD ALIGN=LEFT>a</TD><TD ALIGN=LEFT>b</TD><TD ALIGN=LEFT>c</TD></TR>\n"
              "<TR><TD ALIGN=LEFT>d</TD><TD ALIGN=LEFT>e</TD><TD ALIGN=LEFT>f</TD></TR>\n"
              "</TABLE>");
}

TEST_P(DbQueryTags, IncludeFilesOfALevelAreEscapedOrPassedThrough) {
    site.write("inc.txt", "a<b\nlast");
    g_hooks.resolve_file_path = [](Request&, const std::string& name, std::string& physical,
                                   const std::string&, const std::string&, ResponseStream&) {
        physical = name;
        return 1;
    };
    const std::string f = site.path("inc.txt");
    std::string plain = Run("<kavprint File=\"" + f + "\">!</kavprint>");
    std::string pre = Run("<kavprint File=\"" + f + "\" preformat=\"on\">!</kavprint>");
    std::string raw_html = Run("<kavprint File=\"" + f + "\" htmlformat=\"Off\">!</kavprint>");
    g_hooks.resolve_file_path = nullptr;
    EXPECT_EQ(plain, "a&lt;b<BR>\nlast!");
    EXPECT_EQ(pre, "<PRE>\na&lt;b\nlast</PRE>\n!");
    EXPECT_EQ(raw_html, "a<b\nlast!");
}

TEST_P(DbQueryTags, TagsInsidePrintedTextSeeTheRowAndValuesStayText) {
    ASSERT_TRUE(raw().exec("UPDATE staff SET name = '<kavset x=1>##' WHERE id = 5"));
    const std::string page =
        Run(Q("S", "SELECT name, pay FROM staff ORDER BY id") +
            "<kavprint query=\"S\"><kavif #pay GT 25#>#name#! <kavelse>-</kavif>\n</kavprint>"
            "<kavprint><kavvarexistcheck off>#x#</kavprint>");
    EXPECT_EQ(page, "-\n-\nCy!\nDi!\n<kavset x=1>##!\n") << Log();
}

TEST_P(DbQueryTags, DoubledMarksInPrintedTextStandForOneButValuesStayWhole) {
    ASSERT_TRUE(raw().exec("UPDATE staff SET name = 'a##b\"\"c' WHERE id = 1"));
    EXPECT_EQ(Run(Q("S", "SELECT name FROM staff WHERE id = 1") +
                  "<kavprint query=\"S\">##1 <b class=\"\"x\"\">#name#</b> \"\"</kavprint>"),
              "#1 <b class=\"x\">a##b\"\"c</b> \"");
}

// The same texts, compiled once, against queries whose columns come in
// other orders or lack the name: each run finds its own columns.
TEST_P(DbQueryTags, ColumnReferencesFollowTheColumnsOfEachQuery) {
    const std::string text = "#name#:#pay#;";
    const std::string table =
        "<kavprinttable query=\"%\"><kavprinttablecol header=\"#name#\" text=\"#name#/#pay#\"></kavprinttable>";
    auto table_of = [&](const std::string& q) { return table.substr(0, 22) + q + table.substr(23); };
    // A text table's cell: 20 characters wide, then 2 of spacing.
    auto pad = [](size_t used) { return std::string(22 - used, ' '); };
    EXPECT_EQ(Run(Q("A", "SELECT name, pay FROM staff WHERE id < 3 ORDER BY id") +
                  "<kavprint query=\"A\">" + text + "</kavprint>" + table_of("A")),
              "Ann:10;Bob:;<PRE><TT>\nAnn" + pad(3) + "\n\nAnn/10" + pad(6) + "\nBob/" + pad(4) + "\n</TT></PRE>");
    EXPECT_EQ(Run(Q("B", "SELECT pay, dept AS name FROM staff WHERE id < 3 ORDER BY id DESC") +
                  "<kavprint query=\"B\">" + text + "</kavprint>" + table_of("B")),
              "ops:;ops:10;<PRE><TT>\nops" + pad(3) + "\n\nops/" + pad(4) + "\nops/10" + pad(6) + "\n</TT></PRE>");
    EXPECT_EQ(Run("<kavset name = \"var\">" + Q("C", "SELECT id AS pay FROM staff WHERE id = 3") +
                  "<kavprint query=\"C\">" + text + "</kavprint>"),
              "var:3;");
}

// A function of a column's name is called, whatever the row holds; a
// quoted value loses its quotes as any looked-up value does.
TEST_P(DbQueryTags, ColumnValuesReadAsTheLookupOfTheirNameReadsThem) {
    int with_rc = 1, without_rc = 1;
    const std::string with_columns =
        Run(Q("S", "SELECT name AS Len, name AS trim FROM staff WHERE id = 1") +
                "<kavprint query=\"S\">[#Len#|#trim#]</kavprint>", &with_rc);
    const std::string without_columns = Run("<kavprint>[#Len#|#trim#]</kavprint>", &without_rc);
    EXPECT_EQ(with_columns, without_columns);
    EXPECT_EQ(with_rc, without_rc);
    EXPECT_EQ(with_columns.find("Ann"), std::string::npos);
    ASSERT_TRUE(raw().exec("UPDATE staff SET name = '\"q\"' WHERE id = 1"));
    ASSERT_TRUE(raw().exec("UPDATE staff SET name = 'Zo\xc3\xab \"' WHERE id = 2"));
    EXPECT_EQ(Run(Q("T", "SELECT name FROM staff WHERE id < 3 ORDER BY id") +
                  "<kavprint query=\"T\">(#name#)</kavprint>"),
              "(q)(Zo\xc3\xab \")");
}

// At LogLevel 1 a column reference traces the lines of a lookup.
TEST_P(DbQueryTags, ABoundColumnTracesWhatALookupOfItsNameTraces) {
    auto trace_of = [&](const std::string& page) {
        const size_t before = Log().size();
        Run(page);
        const std::string log = Log().substr(before);
        const size_t from = log.find("In compute_exp");
        return from == std::string::npos ? log : log.substr(from, log.find("CLEAR GROUP_OUT") - from);
    };
    const std::string column = trace_of(Q("S", "SELECT name FROM staff WHERE id = 1") +
                                        "<kavprint query=\"S\">#name#</kavprint>");
    const std::string variable = trace_of("<kavset name = \"Ann\"><kavprint>#name#</kavprint>");
    EXPECT_EQ(column, variable);
    EXPECT_NE(column.find("The value is: Ann\n"), std::string::npos) << column;
}

TEST_P(DbQueryTags, ValueLookupsNeverRepeatADataChange) {
    int rc = 1;
    std::string page = Run(Q("I", "INSERT INTO staff (id, name) VALUES (30, 'once')") +
                               "<kavprint>#I.recordcount#</kavprint>", &rc);
    EXPECT_EQ(page, "0");
    Run("<kavprint>#I.name#</kavprint>", &rc);
    EXPECT_EQ(rc, 0);
    Run("<kavprint>#valuelist(I.name)#</kavprint>", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(RawRows("SELECT count(*) FROM staff WHERE id = 30"), std::vector<std::string>{"1"});
}

TEST_P(DbQueryTags, AQueryLeftOpenIsCheckedForItsFinalTextWhenPrinted) {
    Configure(Source(1, dsn(), {"SQL_Delete=0"}));
    int rc = 1;
    std::string page = Run(Q("S", "SELECT name FROM staff") + "<kavdbquerymore sql=\"WHERE id = 1\">"
                           "<kavdbquerymore sql=\"; DELETE FROM staff\">"
                           "<kavprint query=\"S\">#name#</kavprint>", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(page, Block("10440"));
    EXPECT_EQ(RawRows("SELECT count(*) FROM staff"), std::vector<std::string>{"5"});
}

TEST_P(DbQueryTags, MalformedTagsFailClearly) {
    int rc = 1;
    Run("<kavdbquerymore sql=\"x\">", &rc);
    EXPECT_EQ(rc, 0);
    Run("<kavprint>never closed", &rc);
    EXPECT_EQ(rc, 0);
    Run("<kavdbquery name>", &rc);
    EXPECT_EQ(rc, 0);
    Run("<kavprint query=\"nothing\">x</kavprint>", &rc);
    EXPECT_EQ(rc, 0);
}

KAVR_DB_BACKENDS(DbQueryTags);

}  // namespace
}  // namespace kavr
