#include "driver/core/report_error.h"

#include <gtest/gtest.h>

#include "driver/core/hooks.h"
#include "driver/core/request.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

std::string buffered_text(const Request& r) {
    std::string all;
    for (const auto& b : r.out.blocks()) all += b;
    return all;
}

struct Reporter {
    test::TestSite site;
    Request request;
    Reporter() {
        site.load_config("[Admin]\nAdminEmail=admin@example.org\n");
        request.out.set_buffered(true);
    }
    std::string report(const std::string& code, bool expect_ok = true) {
        EXPECT_EQ(ReportError(request, code, request.out), expect_ok);
        return buffered_text(request);
    }
};

TEST(ReportError, MissingCatalogOrMessageWritesNothing) {
    Reporter r;
    EXPECT_EQ(r.report("10220", false), "");
    r.site.write("kavr_msg.ini", "[ErrorMsg]\n10220e=only an explanation\n");
    EXPECT_EQ(r.report("10220", false), "");
}

TEST(ReportError, DefaultFrameAroundCatalogTexts) {
    Reporter r;
    r.site.write("kavr_msg.ini",
                 "[ErrorMsg]\n10240c=Division by zero ## \"\"x\"\"\n10240e=Explained\n");
    std::string expected =
        "<HR><H2> Kavri&#153 Encountered Error(s) While Processing Request </H2><TABLE BORDER><TR><TD>\n"
        "<h3>Error Message:</h3><p>\nError Code = 10240: Division by zero # \"x\""
        "<h3>Explanation:</h3><p>\nExplained"
        "<h3>Troubleshooting Information:</h3><p>\n"
        "\n</TD></TR></TABLE> Please inform the <a href=\"mailto:admin@example.org\">site "
        "administrator</a> <BR>that this error has occurred (be sure to include the contents of "
        "this page in your message to the administrator). <HR>\n";
    EXPECT_EQ(r.report("10240"), expected);
}

TEST(ReportError, CatalogFrameKeysReplaceDefaultsAndMessageIsCut) {
    Reporter r;
    r.site.write("kavr_msg.ini", "[ErrorMsg]\n00000header=[H]\n00000c=[C]\n00000e=[E]\n00000t=[T]\n"
                                 "00000footer=[F]\n10810c=" + std::string(600, 'm') +
                                 "\n10810t=Try again\n");
    EXPECT_EQ(r.report("10810"),
              "[H][C]Error Code = 10810: " + std::string(511, 'm') + "[E][T]Try again[F]");
}

TEST(ReportError, WithoutDetailVisitorsSeeOnlyTheMessage) {
    Reporter r;
    r.site.load_config("[Admin]\nErrorDetail=0\n[Log]\nLogLevel=3\nLogFilePath=" + r.site.dir() + "\n");
    r.site.write("kavr_msg.ini", "[ErrorMsg]\n00000header=[H]\n00000c=[C]\n00000e=[E]\n00000t=[T]\n"
                                 "00000footer=[F]\n10810c=Missing\n10810e=In \\srv\\site\n10810t=Look\n");
    EXPECT_EQ(r.report("10810"), "[H][C]Error Code = 10810: Missing[F]");
    std::string log = r.site.read("kavri.log");
    EXPECT_NE(log.find("Error 10810 explanation: In \\srv\\site\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Error 10810 troubleshooting: Look\n"), std::string::npos) << log;
}

TEST(ReportError, ExistenceCheckIsOffWhileSubstitutingAndRestoredAfter) {
    static bool seen_check = true;
    Hooks saved = g_hooks;
    g_hooks.substitute = [](Request& req, std::string& text, size_t) {
        seen_check = req.var_exist_check;
        if (text == "fail") return 0;
        return 1;
    };
    Reporter r;
    r.site.write("kavr_msg.ini", "[ErrorMsg]\n10810c=Undefined\n10220c=fail\n");
    r.report("10810");
    EXPECT_FALSE(seen_check);
    EXPECT_TRUE(r.request.var_exist_check);
    r.report("10220", false);  // substitution failure abandons the block
    EXPECT_TRUE(r.request.var_exist_check);
    g_hooks = saved;
}

TEST(ReportError, ErrorMailOnlyWithSwitchAndAddress) {
    static std::string mailed;
    Hooks saved = g_hooks;
    g_hooks.queue_error_mail = [](Request&, const std::string& to, const std::string& code) {
        mailed = to + ":" + code;
        return 1;
    };
    {
        test::TestSite site;
        site.write("kavr_msg.ini", "[ErrorMsg]\n10240c=x\n");
        Request req;
        req.out.set_buffered(true);
        site.load_config("[Admin]\nAdminEmail=a@b.c\n[Log]\nLogSendEmail=1\n");
        ReportError(req, "10240", req.out);
        EXPECT_EQ(mailed, "a@b.c:10240");
        mailed.clear();
        site.load_config("[Log]\nLogSendEmail=1\n");
        ReportError(req, "10240", req.out);
        EXPECT_EQ(mailed, "");
    }
    g_hooks = saved;
}

TEST(ReportError, CollapseKeepsCharacterAfterEachPair) {
    EXPECT_EQ(CollapseDoubled("a##b###c\"\"\"\"d"), "a#b##c\"\"d");
}

}  // namespace
}  // namespace kavr
