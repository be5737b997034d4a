// kavmail through the print engine: one spooled message per instance of a
// mail level, against each available database.
#include <gtest/gtest.h>

#include <algorithm>

#include "driver/core/config.h"
#include "driver/core/hooks.h"
#include "expr/lexer.h"
#include "expr/register.h"
#include "mail/kavmail_tag.h"
#include "platform/file.h"
#include "platform/dir_search.h"
#include "template/interpreter.h"
#include "template/register.h"
#include "tests/db/db_fixture.h"

namespace kavr {
namespace {

using test::DbTest;

struct SpooledMail {
    std::vector<std::string> records;  // From, To, Cc, Subject, attachment, mode
    std::string body;
};

class DbQueryMail : public DbTest {
protected:
    void SetUp() override {
        DbTest::SetUp();
        if (HasFatalFailure()) return;
        ClearTagTable();
        RegisterExprModule();
        RegisterTemplateModule();
        RegisterDbModule();
        RegisterKavMailTag();
        site.write("kavr_msg.ini", site.read("kavr_msg.ini") + "10230c=msg 10230\n10930c=msg 10930\n");
        ASSERT_EQ(system(("mkdir -p " + site.path("spool")).c_str()), 0);
        g_config.mail_spool_path = site.path("spool");
        FreshTable("people", "id integer primary key, team varchar(5), mail varchar(30)");
        ASSERT_TRUE(raw().exec("INSERT INTO people VALUES (1, 'A', 'a1@x'), (2, 'A', 'a2@x'), "
                               "(3, 'B', 'b1@x')"));
    }

    // The finished messages in the order of their numbers.
    std::vector<SpooledMail> Spooled(const char* pattern = "mail*.txt") {
        std::vector<std::string> names = platform::find_files(site.path("spool"), pattern);
        std::sort(names.begin(), names.end());
        std::vector<SpooledMail> mails;
        for (const std::string& name : names) {
            std::string data;
            EXPECT_TRUE(platform::read_whole_file(site.path("spool/" + name), data));
            SpooledMail m;
            size_t at = 0;
            for (int i = 0; i < 6 && at + 4 <= data.size(); ++i) {
                size_t n = static_cast<unsigned char>(data[at]) |
                           static_cast<unsigned char>(data[at + 1]) << 8 |
                           static_cast<unsigned char>(data[at + 2]) << 16 |
                           static_cast<size_t>(static_cast<unsigned char>(data[at + 3])) << 24;
                m.records.push_back(data.substr(at + 4, n));
                at += 4 + n;
            }
            m.body = data.substr(std::min(at, data.size()));
            mails.push_back(m);
        }
        return mails;
    }

    std::string Q() {
        return "<kavdbquery name=\"P\" datasource=\"" + dsn() +
               "\" sql=\"SELECT team, mail FROM people ORDER BY id\">";
    }
};

TEST_P(DbQueryMail, OneMessagePerGroupWithItsRowsInTheBody) {
    int rc = 0;
    std::string page = Run(Q() + "page<kavmail query=\"P\" group=\"team\" to=\"#team#@teams\" "
                                 "from=\"me@x\" subject=\"Team #team#\">Hello #team#:"
                                 "<kavprint>#mail# </kavprint>bye</kavmail>end",
                           &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(page, "pageend") << Log();
    std::vector<SpooledMail> mails = Spooled();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].records, (std::vector<std::string>{"me@x", "A@teams", "", "Team A", "", ""}));
    EXPECT_EQ(mails[0].body, "Hello A:a1@x a2@x bye");
    EXPECT_EQ(mails[1].records[1], "B@teams");
    EXPECT_EQ(mails[1].body, "Hello B:b1@x bye");
    EXPECT_TRUE(Spooled("tmp*.txt").empty());
}

TEST_P(DbQueryMail, WithoutQueryOneMessageAndInsideAPrintOnlyTheMailLevelGoesToMail) {
    Run("<kavmail to=\"x@y\" subject=\"hi\">just once</kavmail>");
    std::vector<SpooledMail> mails = Spooled();
    ASSERT_EQ(mails.size(), 1u);
    EXPECT_EQ(mails[0].body, "just once");

    std::string page = Run(Q() + "<kavprint query=\"P\" group=\"team\">[#team#]<kavmail to=\"#mail#\">"
                                 "row #mail#</kavmail></kavprint>");
    EXPECT_EQ(page, "[A][B]");
    mails = Spooled();
    ASSERT_EQ(mails.size(), 4u);
    EXPECT_EQ(mails[3].records[1], "b1@x");
    EXPECT_EQ(mails[3].body, "row b1@x");
}

TEST_P(DbQueryMail, AttachmentsResolveThroughTheFileGateOrAreLeftOut) {
    g_hooks.resolve_file_path = [](Request&, const std::string& name, std::string& physical,
                                   const std::string& mode, const std::string&, ResponseStream&) {
        if (name != "/files/#1.txt" || mode != "r") return 0;
        physical = "/site/files/1.txt";
        return 1;
    };
    Run(Q() + "<kavmail query=\"P\" group=\"team\" to=\"#mail#\" attach=\"/files/##1.txt\" "
              "SendMode=\"Text\" type=\"ignored\">x</kavmail>");
    std::vector<SpooledMail> mails = Spooled();
    ASSERT_EQ(mails.size(), 2u);
    EXPECT_EQ(mails[0].records[4], "/site/files/1.txt");
    EXPECT_EQ(mails[0].records[5], "Text");
    // The second group's attachment is refused: the message goes without it.
    g_hooks.resolve_file_path = [](Request&, const std::string&, std::string&, const std::string&,
                                   const std::string&, ResponseStream&) { return 0; };
    Run(Q() + "<kavmail to=\"#P.mail#\" attach=\"/nope\">y</kavmail>");
    g_hooks.resolve_file_path = nullptr;
    mails = Spooled();
    ASSERT_EQ(mails.size(), 3u);
    EXPECT_EQ(mails[2].records, (std::vector<std::string>{"", "a1@x", "", "", "", ""}));
    EXPECT_EQ(mails[2].body, "y");
}

TEST_P(DbQueryMail, RefusedWithoutMailPermissionOrSpool) {
    request.permissions.mail = false;
    int rc = 1;
    std::string page = Run("a<kavmail to=\"x@y\">never</kavmail>b", &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(page, "a" + std::string("[|Error Code = 10930: msg 10930||]"));
    EXPECT_NE(Log().find("Error: KavMail Operation is disabled\n"), std::string::npos);
    EXPECT_TRUE(Spooled().empty());

    // Without a spool directory each step that cannot be spooled reports
    // 10230 and the template goes on.
    request.permissions.mail = true;
    g_config.mail_spool_path.reset();
    page = Run("a<kavmail to=\"x@y\">body</kavmail>b", &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(page, "a[|Error Code = 10230: msg 10230||][|Error Code = 10230: msg 10230||]b");
}

KAVR_DB_BACKENDS(DbQueryMail);

}  // namespace
}  // namespace kavr
