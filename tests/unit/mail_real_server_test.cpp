// Delivery to a real SMTP server: the messages it receives are checked
// header by header, body and attachments included.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "driver/core/hooks.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "mail/register.h"
#include "tests/smtp/smtp_sink.h"
#include "tests/unit/mail_test_site.h"

namespace kavr {
namespace {

using test::MailSite;
using test::SmtpSink;
using Names = std::vector<std::string>;

std::string internal(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

struct MailRealServer : ::testing::Test {
    MailSite s;
    std::unique_ptr<SmtpSink> sink;
    Hooks saved = g_hooks;

    void SetUp() override {
        std::string python = test::python_with_aiosmtpd();
        if (python.empty()) GTEST_SKIP() << "python3-aiosmtpd is not installed";
        mkdir(s.site.path("received").c_str(), 0755);
        sink = std::make_unique<SmtpSink>(python, s.site.path("received"));
        ASSERT_GT(sink->port(), 0) << "the SMTP server did not start";
        RegisterMailModule();
    }
    void TearDown() override {
        sink.reset();
        g_hooks = saved;
    }
    void configure(const std::string& log_keys = "", const std::string& sections = "") {
        s.configure("SMTP_Server=127.0.0.1\nSMTP_Port=" + std::to_string(sink->port()), log_keys,
                    sections);
    }
};

TEST_F(MailRealServer, MessagesArriveIntact) {
    configure();
    s.spool("shop@example.test", "a@example.test,b@example.test", "c@example.test",
            "Order 17 confirmed", "", "",
            "Dear customer,\n.\n..two dots\nThank you.\n");
    s.site.write("terms.txt", "Terms\n.\nline after a dot\n");
    s.spool("shop@example.test", "a@example.test", "", "Terms", internal(s.site.path("terms.txt")),
            "TEXT", "See the terms.");
    std::string binary;
    for (int round = 0; round < 20; ++round)
        for (int b = 0; b < 256; ++b) binary += static_cast<char>(b);
    binary += "\r\n.\r\n" + std::string(3000, 'z') + "\n.\n";
    s.site.write("invoice.pdf", binary);
    s.spool("", "a@example.test", "", "Invoice", internal(s.site.path("invoice.pdf")), "binary",
            "Your invoice.");

    g_hooks.flush_spool();

    EXPECT_TRUE(s.files("spool").empty());
    EXPECT_EQ(s.files("log"), (Names{"mail000001.txt", "mail000002.txt", "mail000003.txt"}));
    EXPECT_TRUE(s.files("err").empty());

    EXPECT_EQ(sink->file("msg1.envelope"),
              "MAIL FROM:<<>>\nRCPT TO:<a@example.test>\nRCPT TO:<b@example.test>\n"
              "RCPT TO:<c@example.test>\n");
    EXPECT_EQ(sink->file("msg1.headers"),
              "From: shop@example.test\nTo: a@example.test,b@example.test\n"
              "Cc: c@example.test\nSubject: Order 17 confirmed\n");
    EXPECT_EQ(sink->file("msg1.part1.type"), "text/plain");
    EXPECT_EQ(sink->file("msg1.part1.data"),
              "Dear customer,\r\n.\r\n..two dots\r\nThank you.\r\n\r\n");

    EXPECT_EQ(sink->file("msg2.headers"),
              "From: shop@example.test\nTo: a@example.test\nSubject: Terms\nMIME-Version: 1.0\n"
              "Content-Type: multipart/mixed; "
              "boundary=\"gc0p4Jq0M2Yt08jU534c0pqarvolintebusmarkolTvOiNcYt----\"\n");
    EXPECT_EQ(sink->file("msg2.part1.type"), "text/plain");
    EXPECT_EQ(sink->file("msg2.part1.data"), "See the terms.");
    EXPECT_EQ(sink->file("msg2.part2.type"), "text/plain;name=terms.txt");
    EXPECT_EQ(sink->file("msg2.part2.data"), "Terms\r\n.\r\nline after a dot\r\n");

    EXPECT_EQ(sink->file("msg3.envelope"), "MAIL FROM:<<>>\nRCPT TO:<a@example.test>\n");
    EXPECT_EQ(sink->file("msg3.part1.data"), "Your invoice.");
    EXPECT_EQ(sink->file("msg3.part2.type"), "application/octet-stream;name=invoice.pdf");
    EXPECT_EQ(sink->file("msg3.part2.data"), binary);
}

TEST_F(MailRealServer, ErrorMailReachesTheAdministrator) {
    s.site.write("kavr_msg.ini", "[ErrorMsg]\n10240c=Division by zero\n");
    configure("LogSendEmail=1", "[Admin]\nAdminEmail=admin@example.test");
    Request r;
    r.out.set_buffered(true);
    ASSERT_TRUE(ReportError(r, "10240", r.out));
    g_hooks.flush_spool();
    EXPECT_EQ(sink->file("msg1.envelope"), "MAIL FROM:<<>>\nRCPT TO:<admin@example.test>\n");
    EXPECT_EQ(sink->file("msg1.headers"), "To: admin@example.test\nSubject: Kavri&#153 Error\n");
    EXPECT_EQ(sink->file("msg1.part1.data"), "10240\r\n");
    EXPECT_EQ(s.files("log"), Names{"mail000001.txt"});
}

}  // namespace
}  // namespace kavr
