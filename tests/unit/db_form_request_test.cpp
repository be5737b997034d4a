// Whole requests that insert and update through forms and templates, run
// in this process against each available database: the driver's actions
// with the next page, and the kavdbinsert and kavdbupdate tags.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "driver/modules.h"
#include "driver/request_driver.h"
#include "platform/clock.h"
#include "tests/db/db_fixture.h"

namespace kavr {
namespace {

using test::DbTest;

class DbFormRequest : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (HasFatalFailure()) return;
        RegisterModules();
        FreshTable("books",
                   "id integer primary key, title varchar(40), price numeric(8,2), added date");
        ASSERT_TRUE(raw().exec("INSERT INTO books (id, title, price) VALUES (1, 'old', 2)"));
        std::string catalog = site.read("kavr_msg.ini") + "10920c=msg 10920\n";
        site.write("kavr_msg.ini", catalog);
        mkdir_templates();
        Load("");
    }

    void TearDown() override {
        unsetenv("REQUEST_METHOD");
        unsetenv("QUERY_STRING");
        DbTest::TearDown();
    }

    void mkdir_templates() {
        std::string cmd = "mkdir -p '" + site.path("templates") + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }

    // The configuration: the test source, templates under "/", the log and
    // any further lines for the [Log] and [Template] sections.
    void Load(const std::string& more_log, const std::string& more_template = "") {
        ConfigRelease(true);
        site.load_config("[Log]\nLogLevel=1\nLogFilePath=" + site.dir() + "\n" + more_log +
                         "[ODBC]\n" + Source(1, dsn(), {"SQL_Update=" + update_right}) +
                         "[Template]\nTmpLogicalPath1=/\nTmpPhysicalPath1=" + site.dir() +
                         "/templates\n" + more_template);
        Restart();
    }

    // Runs one GET request and returns what it wrote to standard output.
    std::string Run(const std::string& query) {
        setenv("REQUEST_METHOD", "GET", 1);
        setenv("QUERY_STRING", query.c_str(), 1);
        Request r;
        testing::internal::CaptureStdout();
        RunRequest(r);
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    std::string Form(const std::string& action, const std::string& rest) {
        return "template=/form.kvl&action=" + action + "&datasource=" + dsn() +
               "&tablename=books&" + rest;
    }

    std::vector<std::string> Books() { return RawRows("SELECT id, title FROM books ORDER BY id"); }
    using Rows = std::vector<std::string>;

    std::string update_right = "1";
    static constexpr const char* kHeader = "Content-type: text/html\n\n";
    static constexpr const char* kSuccess = "<B>What you submitted has been executed successfully</B><BR>";
};

TEST_P(DbFormRequest, FormActionsShowTheSuccessSentenceAndEchoTheStatement) {
    Load("EchoSQL=1\n");
    std::string page = Run(Form("insert", "id=2&title=it%27s&price="));
    EXPECT_EQ(page, std::string(kHeader) + kSuccess +
                        "<HR><BR><B>Query SQL Statements:</B><BR><PRE>INSERT INTO books (id,title)\n"
                        " VALUES (2,'it''s')\n</PRE><BR>\n");
    page = Run(Form("UPDATE", "id=1&title=new"));
    EXPECT_NE(page.find(std::string(kHeader) + kSuccess), std::string::npos) << page;
    EXPECT_EQ(Books(), (Rows{"1,new", "2,it's"}));
}

TEST_P(DbFormRequest, CurrentDateBecomesTodayInADateColumn) {
    Load("EchoSQL=1\n");
    std::string page = Run(Form("insert", "id=3&added=CurrentDate()"));
    platform::LocalTime t = platform::local_time();
    char today[16];
    snprintf(today, sizeof today, "%04d-%02d-%02d", t.year, t.month, t.day);
    EXPECT_NE(page.find(std::string("VALUES (3,{d '") + today + "'})"), std::string::npos) << page;
    EXPECT_EQ(RawRows("SELECT added FROM books WHERE id = 3"), Rows{today});
}

TEST_P(DbFormRequest, AFailedStatementShowsNoSuccess) {
    std::string page = Run(Form("update", "title=keyless"));
    EXPECT_EQ(page, std::string(kHeader) + "Not all primary keys with value<BR>");

    page = Run(Form("insert", "id=3&price=1%29%3B+DELETE+FROM+books%3B--"));
    EXPECT_EQ(page, std::string(kHeader) + "Invalid value for column price<BR>");

    update_right = "0";
    Load("");
    page = Run(Form("update", "id=1&title=refused") + "&nextpage=/done.htm");
    EXPECT_EQ(page, std::string(kHeader) + Block("10430"));
    EXPECT_EQ(Books(), Rows{"1,old"});
}

TEST_P(DbFormRequest, NextPageReplacesTheSentenceOnlyInsideTheSite) {
    // Copied as written, without interpretation; the white space after the
    // last word is not copied.
    site.write("templates/done.htm", "<p>Thank you, #name#</p>\n");
    site.write("secret.txt", "password");
    std::string page = Run(Form("insert", "id=4&title=a") + "&nextpage=/done.htm");
    EXPECT_EQ(page, std::string(kHeader) + "<p>Thank you, #name#</p>");

    // A name that leaves the template directories shows the sentence and
    // the log says why.
    page = Run(Form("update", "id=4&title=b") + "&nextpage=/../secret.txt");
    EXPECT_EQ(page, std::string(kHeader) + kSuccess);
    EXPECT_NE(Log().find("Error"), std::string::npos) << Log();

    // A page that is not there shows nothing more.
    page = Run(Form("update", "id=4&title=c") + "&nextpage=%2Fetc%2Fpasswd");
    EXPECT_EQ(page, kHeader);
    EXPECT_EQ(Books(), (Rows{"1,old", "4,c"}));
}

TEST_P(DbFormRequest, TagsWriteFromTheRequestsFieldsAndGoOn) {
    // The field list of the update stays with the request after the tag.
    site.write("templates/tags.kvl",
               "A<kavdbinsert datasource=\"" + dsn() + "\" tablename=books>"
               "B<kavdbupdate tableowner=me datasource=#url.ds# tablename=\"#url.table#\" "
               "formfields=title>C<kavdbinsert tablename=books>D");
    std::string page =
        Run("template=/tags.kvl&ds=" + dsn() + "&table=books&id=5&title=tagged&price=7");
    // The second insert takes only the title: SQLite numbers the new row
    // itself, PostgreSQL refuses a row without its key.
    if (postgres())
        EXPECT_EQ(page.rfind(std::string(kHeader) + "ABC" + "[|Error Code = 10023", 0), 0u) << page;
    else
        EXPECT_EQ(page, std::string(kHeader) + "ABCD");
    EXPECT_EQ(RawRows("SELECT id, title FROM books WHERE price = 7"), Rows{"5,tagged"});
    std::string log = Log();
    EXPECT_NE(log.find("Into Kav_Dml\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Call Form_DML\n"), std::string::npos) << log;

    // A failure ends the template where the tag stands.
    page = Run("template=/tags.kvl&ds=" + dsn() + "&table=books&id=6&title=t&price=x");
    EXPECT_EQ(page, std::string(kHeader) + "A" + "Invalid value for column price<BR>");
    site.write("templates/update.kvl",
               "A<kavdbupdate datasource=\"" + dsn() + "\" tablename=books>B");
    page = Run("template=/update.kvl&title=nokey");
    EXPECT_EQ(page, std::string(kHeader) + "A" + "Not all primary keys with value<BR>");

    // An attribute without its "=" fails the tag.
    site.write("templates/broken.kvl", "A<kavdbinsert datasource tablename=books>B");
    EXPECT_EQ(Run("template=/broken.kvl&id=9&title=x"), std::string(kHeader) + "A");
    EXPECT_EQ(RawRows("SELECT id, title FROM books WHERE id <> 1 AND id <> 5"),
              postgres() ? Rows{} : Rows{"6,tagged"});
}

TEST_P(DbFormRequest, TagsObeyTheTemplatesDatabasePermission) {
    Load("", "UntrustedScript1=/untrusted.kvl\nUntrustedScriptAllowOnly1=1\n");
    site.write("templates/untrusted.kvl",
               "A<kavdbinsert datasource=\"" + dsn() + "\" tablename=books>B");
    std::string page = Run("template=/untrusted.kvl&id=8&title=x");
    EXPECT_EQ(page, std::string(kHeader) + "A" + Block("10920"));
    EXPECT_NE(Log().find("Error: Database Operation is disabled\n"), std::string::npos) << Log();
    EXPECT_EQ(Books(), Rows{"1,old"});
}

KAVR_DB_BACKENDS(DbFormRequest);

}  // namespace
}  // namespace kavr
