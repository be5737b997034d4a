// Delivery of the spool against a scripted SMTP peer that records the
// dialogue byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "mail/flush_spool.h"
#include "mail/smtp_delivery.h"
#include "platform/clock.h"
#include "platform/file_lock.h"
#include "platform/socket.h"
#include "tests/smtp/scripted_smtp_peer.h"
#include "tests/unit/mail_test_site.h"

namespace kavr {
namespace {

using test::MailSite;
using test::ScriptedSmtpPeer;
using Names = std::vector<std::string>;

const std::string kBoundary = "gc0p4Jq0M2Yt08jU534c0pqarvolintebusmarkolTvOiNcYt----";

// A site file's path as the system keeps it, with "\\" separators.
std::string internal(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string hostname() {
    std::string h;
    platform::local_host_name(h);
    return h;
}

// Waits short so that the failure paths run quickly.
SmtpTimings quick() {
    SmtpTimings t;
    t.io_timeout_ms = 400;
    t.retry_pause_ms = 50;
    return t;
}

struct Delivery {
    MailSite s;
    ScriptedSmtpPeer peer;

    explicit Delivery(ScriptedSmtpPeer::Script script = {}, const std::string& smtp_keys = "")
        : peer(std::move(script)) {
        s.configure("SMTP_Server=127.0.0.1\nSMTP_Port=" + std::to_string(peer.port()) + "\n" +
                    smtp_keys);
    }
    void flush() { FlushSpoolWith(quick()); }
    // Writes a spool file directly, bypassing the spool operations.
    void raw_spool_file(const std::string& name, const std::string& bytes) {
        s.site.write("spool/" + name, bytes);
    }
};

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(MailSmtp, PlainMessageDialogue) {
    Delivery d;
    d.s.spool("shop@site", "a@x,b@y", "c@z", "Your order", "", "",
              "Hello\n.\nstill here\n..dots\r\nend");
    d.flush();
    EXPECT_EQ(d.peer.transcript(),
              "HELO " + hostname() + "\r\n" +
                  "MAIL FROM: <>\r\n"
                  "RCPT TO: a@x\r\n"
                  "RCPT TO: b@y\r\n"
                  "RCPT TO: c@z\r\n"
                  "DATA\r\n"
                  "From: shop@site\r\n"
                  "To: a@x,b@y\r\n"
                  "Cc: c@z\r\n"
                  "Subject: Your order\r\n"
                  "\r\n"
                  "Hello\r\n..\r\nstill here\r\n...dots\r\nend"
                  "\r\n.\r\n"
                  "QUIT\r\n");
    EXPECT_EQ(d.peer.connections(), 1);
    EXPECT_TRUE(d.s.files("spool").empty());
    EXPECT_EQ(d.s.files("log"), Names{"mail000001.txt"});
    std::string log = d.s.log();
    EXPECT_NE(log.find("Init SMTP\n"), std::string::npos);
    // Each command and reply is one line: its own CR and LF show escaped.
    EXPECT_NE(log.find("\nReply message=250 ok\\r\\n\n"), std::string::npos);
    EXPECT_NE(log.find("\nRCPT TO: b@y\\r\n"), std::string::npos);
}

TEST(MailSmtp, TextAttachmentUsesEhloAndMimeParts) {
    Delivery d;
    d.s.site.write("notes.txt", "first\nsecond\n.\n");
    std::string path = internal(d.s.site.path("notes.txt"));
    d.s.spool("", "a@x", "", "", path, "text", "See attached.");
    d.flush();
    std::string t = d.peer.transcript();
    EXPECT_EQ(t.substr(0, 5), "EHLO ");
    size_t data = t.find("DATA\r\n");
    ASSERT_NE(data, std::string::npos);
    EXPECT_EQ(t.substr(data + 6),
              "To: a@x\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: multipart/mixed; boundary=\"" + kBoundary + "\"\r\n"
              "\r\n"
              "--" + kBoundary + "\r\n"
              "Content-Type: text/plain; charset=us-ascii\r\n\r\n"
              "See attached."
              "\r\n--" + kBoundary + "\r\n"
              "Content-Type: text/plain; name=\"notes.txt\"\r\n\r\n"
              "first\r\nsecond\r\n..\r\n"
              "\r\n--" + kBoundary + "--\r\n"
              "\r\n.\r\n"
              "QUIT\r\n");
    EXPECT_EQ(d.s.files("log"), Names{"mail000001.txt"});
}

TEST(MailSmtp, BinaryAttachmentTravelsAsBase64) {
    Delivery d;
    d.s.site.write("pic.bin", std::string("\0\xff\r\n.\r\n", 7));
    std::string path = internal(d.s.site.path("pic.bin"));
    d.s.spool("", "a@x", "", "Pic", path, "Binary", "");
    // A missing attachment file gives an empty part, not a failure.
    d.s.spool("", "a@x", "", "Gone", internal(d.s.site.path("gone.bin")), "Binary", "");
    d.flush();
    std::string t = d.peer.transcript();
    std::string part = "\r\n--" + kBoundary + "\r\n" +
                       "Content-Type: application/octet-stream; name=\"pic.bin\"\r\n" +
                       "Content-Transfer-Encoding: base64\r\n\r\n" + "AP8NCi4NCg==\r\n" + "\r\n--" +
                       kBoundary + "--\r\n\r\n.\r\n";
    EXPECT_NE(t.find(part), std::string::npos) << t;
    std::string empty = "name=\"gone.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n\r\n--" +
                        kBoundary + "--\r\n\r\n.\r\n";
    EXPECT_NE(t.find(empty), std::string::npos) << t;
    EXPECT_EQ(d.s.files("log"), (Names{"mail000001.txt", "mail000002.txt"}));
}

TEST(MailSmtp, RecipientListsAndAbsentHeaders) {
    ScriptedSmtpPeer::Script script;
    // The empty address in the middle of the list is refused.
    script.replies["RCPT"] = {"250 ok\r\n", "250 ok\r\n", "501 empty address\r\n"};
    Delivery d(script);
    d.s.spool("", "a@x,", "", "", "", "", "one");
    d.s.spool("", "a@x,,b@y", "", "", "", "", "two");
    d.flush();
    std::string t = d.peer.transcript();
    std::string first = "HELO " + hostname() + "\r\nMAIL FROM: <>\r\nRCPT TO: a@x\r\nDATA\r\n" +
                        "To: a@x,\r\n\r\none\r\n.\r\n";
    EXPECT_EQ(t.substr(0, first.size()), first);
    EXPECT_EQ(t.substr(first.size()), "HELO " + hostname() +
                                          "\r\nMAIL FROM: <>\r\nRCPT TO: a@x\r\nRCPT TO: \r\n"
                                          "RSET\r\nQUIT\r\n");
    EXPECT_EQ(d.s.files("log"), Names{"mail000001.txt"});
    EXPECT_EQ(d.s.files("err"), Names{"mail000002.txt"});
}

TEST(MailSmtp, AllMessagesShareOneSessionInNameOrder) {
    Delivery d;
    d.s.spool("", "a@x", "", "first", "", "", "1");
    d.s.spool("", "b@x", "", "second", "", "", "2");
    d.s.site.write("spool/tmp000009.txt", "unfinished, never sent");
    d.flush();
    std::string t = d.peer.transcript();
    EXPECT_EQ(d.peer.connections(), 1);
    EXPECT_EQ(count(t, "HELO "), 2u);
    EXPECT_EQ(count(t, "QUIT\r\n"), 1u);
    EXPECT_LT(t.find("Subject: first"), t.find("Subject: second"));
    EXPECT_EQ(t.find("unfinished"), std::string::npos);
    EXPECT_EQ(d.s.files("log"), (Names{"mail000001.txt", "mail000002.txt"}));
    EXPECT_EQ(d.s.files("spool"), Names{"tmp000009.txt"});
}

TEST(MailSmtp, NothingToSendOpensNoConnection) {
    Delivery d;
    d.s.site.write("spool/tmp000001.txt", "x");
    d.flush();
    EXPECT_EQ(d.peer.connections(), 0);
}

TEST(MailSmtp, BusyRepliesAreRetriedAfterRset) {
    struct Case {
        const char* verb;
        std::vector<std::string> replies;
        int retrials;
        int expected_attempts;
        const char* ends_in;
    } cases[] = {
        {"RCPT", {"452 busy\r\n", "250 ok\r\n"}, 2, 2, "log"},
        {"MAIL", {"450 try later\r\n"}, 3, 3, "err"},
        {".", {"552 storage\r\n", "552 storage\r\n", "250 ok\r\n"}, 3, 3, "log"},
        {"RCPT", {"550 no such user\r\n"}, 3, 1, "err"},
        // Only the code that leads the reply counts.
        {"RCPT", {"550 5.1.1 <user250@x> unknown\r\n"}, 3, 1, "err"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.verb) + " " + c.replies[0]);
        ScriptedSmtpPeer::Script script;
        script.replies[c.verb] = c.replies;
        Delivery d(script, "NbrRetrial=" + std::to_string(c.retrials));
        d.s.spool("", "a@x", "", "s", "", "", "b");
        long start = platform::clock_ms();
        d.flush();
        long waited = platform::clock_ms() - start;
        std::string t = d.peer.transcript();
        EXPECT_EQ(count(t, "HELO "), size_t(c.expected_attempts));
        EXPECT_EQ(count(t, "RSET\r\n"), size_t(c.ends_in == std::string("err") ? c.expected_attempts
                                                                                : c.expected_attempts - 1));
        EXPECT_GE(waited, 50L * (c.expected_attempts - 1));
        EXPECT_EQ(d.s.files(c.ends_in), Names{"mail000001.txt"});
        EXPECT_TRUE(d.s.files("spool").empty());
    }
}

TEST(MailSmtp, RefusedMessageDoesNotStopTheNext) {
    ScriptedSmtpPeer::Script script;
    script.replies["MAIL"] = {"554 no\r\n", "250 ok\r\n"};
    Delivery d(script);
    d.s.spool("", "a@x", "", "s", "", "", "1");
    d.s.spool("", "b@x", "", "s", "", "", "2");
    d.flush();
    EXPECT_EQ(d.s.files("err"), Names{"mail000001.txt"});
    EXPECT_EQ(d.s.files("log"), Names{"mail000002.txt"});
}

TEST(MailSmtp, UnreachableOrUnwillingServerLeavesTheSpool) {
    const char* kLine = "Error: TCP/IP initialization fail when trying to connect to SMTP server\n";
    {
        ScriptedSmtpPeer::Script script;
        script.greeting = "554 not today\r\n";
        Delivery d(script);
        d.s.spool("", "a@x", "", "s", "", "", "b");
        d.flush();
        EXPECT_EQ(d.peer.transcript(), "");
        EXPECT_EQ(d.s.files("spool"), Names{"mail000001.txt"});
        EXPECT_NE(d.s.log().find(kLine), std::string::npos);
    }
    {
        ScriptedSmtpPeer::Script script;
        script.greeting = "";  // accepts, then never speaks
        Delivery d(script);
        d.s.spool("", "a@x", "", "s", "", "", "b");
        long start = platform::clock_ms();
        d.flush();
        EXPECT_LT(platform::clock_ms() - start, 5000);
        EXPECT_EQ(d.s.files("spool"), Names{"mail000001.txt"});
        EXPECT_NE(d.s.log().find(kLine), std::string::npos);
    }
    {
        int port;
        {
            ScriptedSmtpPeer gone({});
            port = gone.port();
        }
        MailSite s;
        s.configure("SMTP_Server=127.0.0.1\nSMTP_Port=" + std::to_string(port));
        s.spool("", "a@x", "", "s", "", "", "b");
        FlushSpoolWith(quick());
        EXPECT_EQ(s.files("spool"), Names{"mail000001.txt"});
        EXPECT_NE(s.log().find(kLine), std::string::npos);
    }
}

TEST(MailSmtp, SilenceMidSessionEndsTheFlush) {
    ScriptedSmtpPeer::Script script;
    script.silent_from_verb = ".";
    Delivery d(script, "NbrRetrial=3");
    d.s.spool("", "a@x", "", "s", "", "", "1");
    d.s.spool("", "b@x", "", "s", "", "", "2");
    long start = platform::clock_ms();
    d.flush();
    EXPECT_LT(platform::clock_ms() - start, 5000);
    std::string t = d.peer.transcript();
    EXPECT_EQ(count(t, "HELO "), 1u);
    EXPECT_EQ(t.find("RSET"), std::string::npos);
    EXPECT_EQ(t.find("QUIT"), std::string::npos);
    // The message whose reply never came is set aside; the next one was
    // never offered and waits for the next request.
    EXPECT_EQ(d.s.files("err"), Names{"mail000001.txt"});
    EXPECT_EQ(d.s.files("spool"), Names{"mail000002.txt"});
}

TEST(MailSmtp, MultiLineReplyInPiecesKeepsTheDialogueInStep) {
    ScriptedSmtpPeer::Script script;
    script.replies["EHLO"] = {"250-peer.test\r\n\x01" "250-SIZE 1000\r\n\x01" "250 HELP\r\n"};
    script.replies["MAIL"] = {"25\x01" "0 sender ok\r\n"};
    Delivery d(script);
    d.s.site.write("a.txt", "x");
    d.s.spool("", "a@x", "", "s", internal(d.s.site.path("a.txt")), "", "b");
    d.flush();
    EXPECT_EQ(d.s.files("log"), Names{"mail000001.txt"});
    EXPECT_NE(d.s.log().find("Reply message=250-peer.test\\r\\n250-SIZE 1000\\r\\n250 HELP\\r\\n\n"),
              std::string::npos);
}

TEST(MailSmtp, LineBreakInAddressOrSubjectNeverReachesTheWire) {
    Delivery d({}, "NbrRetrial=3");
    using test::record;
    d.raw_spool_file("mail000001.txt", record("") + record("a@x") + record("") +
                                           record("Hi\r\nBcc: victim@y") + record("") + record("") +
                                           "body");
    d.raw_spool_file("mail000002.txt", record("") + record("a@x\r\nRCPT TO: victim@y") +
                                           record("") + record("s") + record("") + record("") +
                                           "body");
    d.s.spool("", "ok@x", "", "fine", "", "", "body");  // numbered 3
    d.flush();
    std::string t = d.peer.transcript();
    EXPECT_EQ(t.find("victim"), std::string::npos) << t;
    EXPECT_EQ(count(t, "DATA\r\n"), 1u);
    EXPECT_NE(t.find("Subject: fine"), std::string::npos);
    EXPECT_EQ(d.s.files("err"), (Names{"mail000001.txt", "mail000002.txt"}));
    EXPECT_EQ(d.s.files("log"), Names{"mail000003.txt"});
}

TEST(MailSmtp, DamagedSpoolFileGoesToErrorsWithoutRetry) {
    ScriptedSmtpPeer::Script script;
    script.replies["MAIL"] = {"452 busy\r\n"};
    Delivery d(script, "NbrRetrial=3");
    d.s.spool("", "a@x", "", "s", "", "", "1");  // three times busy: last code 452
    d.s.site.write("spool/mail000002.txt", std::string("\x05\0\0\0ab", 6));
    d.flush();
    EXPECT_EQ(count(d.peer.transcript(), "MAIL FROM"), 3u);
    EXPECT_EQ(count(d.peer.transcript(), "RSET\r\n"), 4u);
    EXPECT_EQ(d.s.files("err"), (Names{"mail000001.txt", "mail000002.txt"}));
}

TEST(MailSmtp, FileClaimedByAnotherFlushIsLeftToIt) {
    Delivery d;
    d.s.spool("", "a@x", "", "one", "", "", "b1");
    d.s.spool("", "b@x", "", "two", "", "", "b2");
    {
        // Another flush is sending mail000001: this one sends only the other.
        platform::FileLock other;
        ASSERT_TRUE(other.try_lock(d.s.site.path("spool/mail000001.txt")));
        d.flush();
        EXPECT_EQ(count(d.peer.transcript(), "DATA\r\n"), 1u);
        EXPECT_NE(d.peer.transcript().find("Subject: two"), std::string::npos);
        EXPECT_EQ(d.s.files("spool"), Names{"mail000001.txt"});
        EXPECT_EQ(d.s.files("log"), Names{"mail000002.txt"});

        // With every file claimed elsewhere, no session is opened at all.
        size_t sessions = count(d.peer.transcript(), "QUIT\r\n");
        d.flush();
        EXPECT_EQ(count(d.peer.transcript(), "QUIT\r\n"), sessions);
        EXPECT_EQ(count(d.peer.transcript(), "HELO"), 1u);
    }
    // Once that claim is gone (its process ended), the file goes out.
    d.flush();
    EXPECT_EQ(count(d.peer.transcript(), "Subject: one"), 1u);
    EXPECT_TRUE(d.s.files("spool").empty());
    EXPECT_EQ(d.s.files("log"), (Names{"mail000001.txt", "mail000002.txt"}));
}

TEST(MailSmtp, FilingOfDeliveredAndRefusedFiles) {
    {
        // A same-named file already in the log is never replaced: the
        // new one is filed beside it under a name of its own.
        Delivery d({}, "NbrRetrial=0");
        d.s.site.write("log/mail000007.txt", "old");
        d.s.site.write("log/mail000007-1.txt", "older");
        using test::record;
        std::string msg = record("") + record("a@x") + record("") + record("s") + record("") +
                          record("") + "new";
        d.raw_spool_file("mail000007.txt", msg);
        d.flush();
        // Even with no retrials configured the message is really sent.
        EXPECT_NE(d.peer.transcript().find("DATA\r\n"), std::string::npos);
        EXPECT_EQ(d.s.read("log", "mail000007.txt"), "old");
        EXPECT_EQ(d.s.read("log", "mail000007-1.txt"), "older");
        EXPECT_EQ(d.s.read("log", "mail000007-2.txt"), msg);
        EXPECT_TRUE(d.s.files("spool").empty());
    }
    {
        // A log name that the link refuses is a clash even when a look at
        // it finds nothing (a dangling link): the delivered file is filed
        // under the next name, not given up.
        Delivery d;
        ASSERT_EQ(symlink("gone", d.s.site.path("log/mail000001.txt").c_str()), 0);
        using test::record;
        std::string msg = record("") + record("a@x") + record("") + record("s") + record("") +
                          record("") + "b";
        d.raw_spool_file("mail000001.txt", msg);
        d.flush();
        EXPECT_TRUE(d.s.files("spool").empty());
        EXPECT_EQ(d.s.read("log", "mail000001-1.txt"), msg);
    }
    {
        // Without a log directory a delivered file is removed, never resent.
        ScriptedSmtpPeer peer({});
        MailSite s;
        s.site.load_config("[SMTP]\nMailSpoolPath=" + s.site.path("spool") +
                           "\nSMTP_Server=127.0.0.1\nSMTP_Port=" + std::to_string(peer.port()));
        s.spool("", "a@x", "", "s", "", "", "b");
        FlushSpoolWith(quick());
        EXPECT_NE(peer.transcript().find("DATA\r\n"), std::string::npos);
        EXPECT_TRUE(s.files("spool").empty());
    }
    {
        // Without an error directory a refused file stays for a later try.
        ScriptedSmtpPeer::Script script;
        script.replies["RCPT"] = {"550 no\r\n"};
        ScriptedSmtpPeer peer(script);
        MailSite s;
        s.site.load_config("[SMTP]\nMailSpoolPath=" + s.site.path("spool") +
                           "\nSMTP_Server=127.0.0.1\nSMTP_Port=" + std::to_string(peer.port()));
        s.spool("", "a@x", "", "s", "", "", "b");
        FlushSpoolWith(quick());
        EXPECT_EQ(s.files("spool"), Names{"mail000001.txt"});
    }
}

// A move to another file system cannot be a link: the delivered file is
// copied there and leaves the spool, rather than being given up.
TEST(MailSmtp, LogDirectoryOnAnotherFileSystemReceivesDeliveredFiles) {
    char other[] = "/dev/shm/kavr-log-XXXXXX";
    if (!mkdtemp(other)) GTEST_SKIP() << "no /dev/shm";
    std::string log = other;
    struct Cleanup {
        std::string dir;
        ~Cleanup() { EXPECT_EQ(system(("rm -rf '" + dir + "'").c_str()), 0); }
    } cleanup{log};
    ScriptedSmtpPeer peer({});
    MailSite s;
    struct stat a, b;
    if (stat(log.c_str(), &a) != 0 || stat(s.site.dir().c_str(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "/dev/shm is on the file system of the test site";
    s.site.load_config("[SMTP]\nMailSpoolPath=" + s.site.path("spool") + "\nMailLogPath=" + log +
                       "\nSMTP_Server=127.0.0.1\nSMTP_Port=" + std::to_string(peer.port()));
    s.spool("", "a@x", "", "s", "", "", "b");
    std::string msg = s.read("spool", "mail000001.txt");
    FlushSpoolWith(quick());
    EXPECT_NE(peer.transcript().find("DATA\r\n"), std::string::npos);
    EXPECT_TRUE(s.files("spool").empty());
    std::string filed;
    EXPECT_TRUE(platform::read_whole_file(log + "/mail000001.txt", filed));
    EXPECT_EQ(filed, msg);
}

TEST(MailSmtp, ServerSettingsFromTheConfigurationFile) {
    MailSite s;
    std::string host;
    int port = 0;
    s.site.write("kavri.ini", "");
    ReadSmtpServerSettings(host, port);
    EXPECT_EQ(host, "localhost");
    EXPECT_EQ(port, 25);
    s.site.write("kavri.ini", "[SMTP]\nSMTP_Server=127.0.0.1\nSMTP_Port=2525\n");
    ReadSmtpServerSettings(host, port);
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 2525);
    s.site.write("kavri.ini", "[SMTP]\nSMTP_Server=" + std::string(150, 'h') + "\nSMTP_Port=x\n");
    ReadSmtpServerSettings(host, port);
    EXPECT_EQ(host, std::string(99, 'h'));
    EXPECT_EQ(port, 25);
}

}  // namespace
}  // namespace kavr
