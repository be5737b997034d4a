#include "mail/spool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "driver/core/hooks.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "mail/register.h"
#include "mail/spool_format.h"
#include "platform/file.h"
#include "tests/unit/mail_test_site.h"

namespace kavr {
namespace {

using test::MailSite;
using Names = std::vector<std::string>;

std::string bytes(const char* data, size_t n) { return std::string(data, n); }

TEST(MailSpool, FileLayoutByteForByte) {
    MailSite s;
    s.configure();
    std::string subject(300, 's');  // length 300 = 0x012C: checks the byte order
    s.spool("me@here", "a@x,b@y", "", subject, "", "", "");
    EXPECT_EQ(s.files("spool"), Names{"mail000001.txt"});
    std::string expected = bytes("\x07\0\0\0", 4) + "me@here" + bytes("\x07\0\0\0", 4) +
                           "a@x,b@y" + bytes("\0\0\0\0", 4) + bytes("\x2C\x01\0\0", 4) +
                           subject + bytes("\0\0\0\0", 4) + bytes("\0\0\0\0", 4);
    EXPECT_EQ(s.read("spool", "mail000001.txt"), expected);

    // Attachment, mode and a body appended in pieces, stored raw.
    SpoolMessage m;
    ASSERT_EQ(SpoolBegin(m, "", "c@z", "d@w", "Hi"), 1);
    EXPECT_EQ(s.files("spool"), (Names{"mail000001.txt", "tmp000002.txt"}));
    ASSERT_EQ(SpoolSetAttachment(m, "\\site\\a.pdf"), 1);
    ASSERT_EQ(SpoolSetAttachmentType(m, "binary"), 1);
    ASSERT_EQ(SpoolAppendBody(m, "line 1\r\n"), 1);
    ASSERT_EQ(SpoolAppendBody(m, bytes("x\0y\n", 4)), 1);
    ASSERT_EQ(SpoolCommit(m), 1);
    EXPECT_FALSE(m.open());
    EXPECT_EQ(s.files("spool"), (Names{"mail000001.txt", "mail000002.txt"}));
    EXPECT_EQ(s.read("spool", "mail000002.txt"),
              bytes("\0\0\0\0", 4) + bytes("\3\0\0\0", 4) + "c@z" + bytes("\3\0\0\0", 4) + "d@w" +
                  bytes("\2\0\0\0", 4) + "Hi" + bytes("\x0B\0\0\0", 4) + "\\site\\a.pdf" +
                  bytes("\6\0\0\0", 4) + "binary" + "line 1\r\n" + bytes("x\0y\n", 4));
}

TEST(MailSpool, ReaderGivesAbsentValuesAndRejectsDamagedFiles) {
    MailSite s;
    s.configure();
    s.spool("", "a@x", "", "Subj", "\\p\\f.txt", "", "body");
    platform::File f(s.site.path("spool/mail000001.txt"), "rb");
    SpoolHeader h;
    ASSERT_EQ(ReadSpoolHeader(f, h), 1);
    EXPECT_FALSE(h.from.has_value());
    EXPECT_EQ(h.to.value_or("?"), "a@x");
    EXPECT_FALSE(h.cc.has_value());
    EXPECT_EQ(h.subject.value_or("?"), "Subj");
    EXPECT_EQ(h.attachment.value_or("?"), "\\p\\f.txt");
    EXPECT_FALSE(h.attachment_mode.has_value());
    char rest[16];
    EXPECT_EQ(std::string(rest, f.read(rest, sizeof rest)), "body");

    const std::string whole = s.read("spool", "mail000001.txt");
    for (size_t cut : {size_t(2), size_t(5), size_t(13), whole.size() - 9}) {
        s.site.write("cut.txt", whole.substr(0, cut));
        platform::File c(s.site.path("cut.txt"), "rb");
        EXPECT_EQ(ReadSpoolHeader(c, h), 0) << "cut at " << cut;
    }
    s.site.write("huge.txt", bytes("\xFF\xFF\xFF\x7F", 4) + "x");
    platform::File c(s.site.path("huge.txt"), "rb");
    EXPECT_EQ(ReadSpoolHeader(c, h), 0);
}

TEST(MailSpool, NumbersSkipThoseInUseInSpoolLogAndErrorDirectories) {
    MailSite s;
    s.configure();
    s.site.write("log/mail000001.txt", "x");
    s.site.write("err/any000002.txt", "x");
    s.site.write("spool/mail000003.txt", "x");
    s.site.write("spool/tmp000001.txt", "left behind");
    s.spool("", "a@x", "", "", "", "", "b");
    // tmp000001 is taken, so the message was built as tmp000002.
    EXPECT_EQ(s.files("spool"), (Names{"mail000003.txt", "mail000004.txt", "tmp000001.txt"}));
    EXPECT_EQ(s.read("spool", "tmp000001.txt"), "left behind");
    EXPECT_EQ(g_spool_counters.tmp, 3);
    // A message filed beside a same-named one holds its number too.
    s.site.write("log/mail000005-2.txt", "x");
    s.site.write("log/notes-1.txt", "x");
    s.spool("", "a@x", "", "", "", "", "b");
    EXPECT_EQ(s.files("spool"),
              (Names{"mail000003.txt", "mail000004.txt", "mail000006.txt", "tmp000001.txt"}));
}

// Another request can take a name between our look and our claim and move
// its file on before we look again: the name is taken, though it no longer
// looks taken. A dangling link gives that view for good: the exclusive
// create and the move refuse it, a look at the name finds nothing.
TEST(MailSpool, NameTakenAtTheClaimIsSkippedThoughItLooksFreeAfterwards) {
    MailSite s;
    s.configure();
    ASSERT_EQ(symlink("gone", s.site.path("spool/tmp000001.txt").c_str()), 0);
    ASSERT_EQ(symlink("gone", s.site.path("spool/mail000001.txt").c_str()), 0);
    s.spool("", "a@x", "", "s", "", "", "body");
    EXPECT_EQ(s.files("spool"), (Names{"mail000001.txt", "mail000002.txt", "tmp000001.txt"}));
    using test::record;
    EXPECT_EQ(s.read("spool", "mail000002.txt"), record("") + record("a@x") + record("") +
                                                      record("s") + record("") + record("") +
                                                      "body");
    EXPECT_EQ(g_spool_counters.tmp, 3);
}

TEST(MailSpool, NumbersWrapAfter799999) {
    MailSite s;
    s.configure();
    g_spool_counters.tmp = kMaxSpoolNumber;
    g_spool_counters.mail = kMaxSpoolNumber;
    s.site.write("log/mail799999.txt", "x");
    s.spool("", "a@x", "", "", "", "", "b");
    EXPECT_EQ(s.files("spool"), Names{"mail000001.txt"});
    EXPECT_EQ(g_spool_counters.tmp, 1);
    EXPECT_EQ(g_spool_counters.mail, 2);
}

TEST(MailSpool, OperationsRefuseWithoutSpoolDirectoryOrOutOfOrder) {
    MailSite s;
    s.site.load_config("[SMTP]\nMailLogPath=" + s.site.path("log") + "\n");
    SpoolMessage m;
    EXPECT_EQ(SpoolBegin(m, "", "a@x", "", "s"), 0);
    EXPECT_EQ(SpoolSetAttachment(m, ""), 0);
    EXPECT_EQ(SpoolAppendBody(m, "x"), 0);
    EXPECT_EQ(SpoolCommit(m), 0);

    s.configure();
    ASSERT_EQ(SpoolBegin(m, "", "a@x", "", "s"), 1);
    EXPECT_EQ(SpoolSetAttachmentType(m, "Text"), 0);  // attachment record first
    EXPECT_EQ(SpoolAppendBody(m, "x"), 0);
    EXPECT_EQ(SpoolCommit(m), 0);
    ASSERT_EQ(SpoolSetAttachment(m, ""), 1);
    EXPECT_EQ(SpoolSetAttachment(m, ""), 0);
    EXPECT_EQ(SpoolAppendBody(m, "x"), 0);
    ASSERT_EQ(SpoolSetAttachmentType(m, ""), 1);
    EXPECT_EQ(SpoolAppendBody(m, "x"), 1);
    // The file holds the records in order despite the refused calls.
    EXPECT_EQ(s.read("spool", "tmp000001.txt"),
              bytes("\0\0\0\0\3\0\0\0", 8) + "a@x" + bytes("\0\0\0\0\1\0\0\0", 8) + "s" +
                  bytes("\0\0\0\0\0\0\0\0", 8) + "x");
    SpoolAbandon(m);
    EXPECT_FALSE(m.open());
    EXPECT_TRUE(s.files("spool").empty());
}

TEST(MailSpool, LineBreaksInAddressesOrSubjectAreRefused) {
    MailSite s;
    s.configure();
    const std::string bad[] = {"a@x\r\nRCPT TO: evil@y", "a@x\n", "Hi\rBcc: evil@y",
                               bytes("a\0b", 3)};
    for (const std::string& v : bad) {
        SpoolMessage m;
        EXPECT_EQ(SpoolBegin(m, v, "a@x", "", "s"), 0);
        EXPECT_EQ(SpoolBegin(m, "", v, "", "s"), 0);
        EXPECT_EQ(SpoolBegin(m, "", "a@x", v, "s"), 0);
        EXPECT_EQ(SpoolBegin(m, "", "a@x", "", v), 0);
        EXPECT_FALSE(m.open());
    }
    SpoolMessage m;
    EXPECT_EQ(SpoolBegin(m, "", "a@x", "", std::string(kMaxSpoolRecord + 1, 's')), 0);
    EXPECT_TRUE(s.files("spool").empty());
}

TEST(MailSpool, FailedWriteLeavesNoPartialMessage) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full to fail writes";
    MailSite s;
    s.configure();
    SpoolMessage m;
    ASSERT_EQ(SpoolBegin(m, "", "a@x", "", "s"), 1);
    ASSERT_EQ(SpoolSetAttachment(m, ""), 1);
    ASSERT_EQ(SpoolSetAttachmentType(m, ""), 1);
    // Every later write to the message now fails as on a full disk.
    std::string tmp = s.site.path("spool/tmp000001.txt");
    ASSERT_EQ(unlink(tmp.c_str()), 0);
    ASSERT_EQ(symlink("/dev/full", tmp.c_str()), 0);
    EXPECT_EQ(SpoolAppendBody(m, std::string(5000, 'b')), 0);
    EXPECT_FALSE(m.open());
    EXPECT_EQ(SpoolCommit(m), 0);
    EXPECT_TRUE(s.files("spool").empty());

    // A message whose first records cannot be written leaves nothing either.
    s.site.load_config("[SMTP]\nMailSpoolPath=" + s.site.path("no-such-dir") + "\n");
    EXPECT_EQ(SpoolBegin(m, "", "a@x", "", "s"), 0);
    EXPECT_FALSE(m.open());
}

TEST(MailSpool, ErrorMailIsSpooledForTheAdministrator) {
    MailSite s;
    s.site.write("kavr_msg.ini", "[ErrorMsg]\n10240c=Division by zero\n");
    s.configure("", "LogSendEmail=1", "[Admin]\nAdminEmail=admin@example.org");
    Hooks saved = g_hooks;
    RegisterMailModule();
    Request r;
    r.out.set_buffered(true);
    // An error while a template's own message is open leaves that message alone.
    SpoolMessage own;
    ASSERT_EQ(SpoolBegin(own, "", "c@z", "", "own"), 1);
    EXPECT_TRUE(ReportError(r, "10240", r.out));
    EXPECT_TRUE(own.open());
    EXPECT_EQ(s.files("spool"), (Names{"mail000001.txt", "tmp000001.txt"}));
    EXPECT_EQ(s.read("spool", "mail000001.txt"),
              bytes("\0\0\0\0", 4) + bytes("\x11\0\0\0", 4) + "admin@example.org" +
                  bytes("\0\0\0\0", 4) + bytes("\x10\0\0\0", 4) + "Kavri&#153 Error" +
                  bytes("\0\0\0\0\0\0\0\0", 8) + "10240");
    SpoolAbandon(own);

    // No address, or mailing switched off: nothing is queued.
    s.configure("", "LogSendEmail=1", "[Admin]\nAdminEmail=");
    EXPECT_TRUE(ReportError(r, "10240", r.out));
    s.configure("", "LogSendEmail=0", "[Admin]\nAdminEmail=admin@example.org");
    EXPECT_TRUE(ReportError(r, "10240", r.out));
    EXPECT_EQ(s.files("spool"), Names{"mail000001.txt"});
    g_hooks = saved;
}

}  // namespace
}  // namespace kavr
