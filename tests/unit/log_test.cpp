#include "driver/core/log.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <regex>

#include "tests/unit/test_site.h"

namespace kavr {
namespace {

std::string ini_for(const test::TestSite& site, int level, int append = 0) {
    return "[Log]\nLogLevel=" + std::to_string(level) + "\nLogFilePath=" + site.dir() +
           "/\nLogAppend=" + std::to_string(append) + "\n";
}

TEST(Log, LevelThresholdAndUnprefixedTextForThreadZero) {
    test::TestSite site;
    site.load_config(ini_for(site, 3));
    site.write("kavri.log", "");
    WriteLog(0, 1, "trace\n");
    WriteLog(0, 2, "warn\n");
    WriteLog(0, 3, "Error: one");
    WriteLog(0, 3, " piece\n");
    EXPECT_EQ(site.read("kavri.log"), "Error: one piece\n");
}

TEST(Log, PiecesOfOneMessageShareOnePrefix) {
    test::TestSite site;
    site.load_config(ini_for(site, 1));
    site.write("kavri.log", "");
    WriteLog(42, 3, "Error: Wrong password for read on file: ");
    WriteLog(42, 3, "\\data\\x");
    WriteLog(42, 3, "\n");
    WriteLog(42, 1, "next\n");
    std::string log = site.read("kavri.log");
    std::regex line("TID=42, \\d{3}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d: ");
    std::string expected_shape = "P Error: Wrong password for read on file: \\data\\x\nP next\n";
    std::string shape = std::regex_replace(log, line, "P ");
    EXPECT_EQ(shape, expected_shape);
}

TEST(Log, LevelZeroWritesNothingAndPrepareStartsAfresh) {
    test::TestSite site;
    site.write("kavri.log", "old lines\n");
    site.load_config(ini_for(site, 0));
    EXPECT_EQ(site.read("kavri.log"), "");  // emptied even though nothing is logged
    WriteLog(1, 3, "Error\n");
    EXPECT_EQ(site.read("kavri.log"), "");

    site.write("kavri.log", "kept\n");
    site.load_config(ini_for(site, 3, 1));
    EXPECT_EQ(site.read("kavri.log").substr(0, 5), "kept\n");
}

TEST(Log, ControlBytesOfATextAreEscapedSoNoTextForgesALine) {
    test::TestSite site;
    site.load_config(ini_for(site, 1));
    site.write("kavri.log", "");
    std::string visitor = std::string("x\nTID=1, 99-01-01 00:00:00: forged\r\n") +
                          std::string(1, '\0') + "\x01\x1f\x7f\t\xc3\xa9";
    WriteLog(7, 1, "The value is: " + visitor + "\n");
    WriteLog(7, 1, visitor);  // a piece that is nothing but the value
    WriteLog(7, 1, "\n");
    WriteLog(0, 1, "RCPT TO: a@b\r\n");
    std::string escaped = "x\\nTID=1, 99-01-01 00:00:00: forged\\r\\n\\x00\\x01\\x1F\\x7F\\x09\xc3\xa9";
    std::string shape = std::regex_replace(site.read("kavri.log"),
                                           std::regex("TID=7, \\d{3}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d: "), "P ");
    EXPECT_EQ(shape, "P The value is: " + escaped + "\nP " + escaped + "\nRCPT TO: a@b\\r\n");
    // Only a final line feed is kept as it is.
    EXPECT_EQ(EscapeLogText("a\n\n"), "a\\n\n");
    EXPECT_EQ(EscapeLogText("\n"), "\n");
    EXPECT_EQ(EscapeLogText("plain \\path\\ \xe2\x82\xac"), "plain \\path\\ \xe2\x82\xac");
}

TEST(Log, LinesReachTheFileWholeAndTheFileStaysOpenForTheRequest) {
    test::TestSite site;
    site.load_config(ini_for(site, 1));
    site.write("kavri.log", "");
    WriteLog(5, 1, "begun ");
    WriteLog(5, 1, "and going on");
    EXPECT_EQ(site.read("kavri.log"), "");  // nothing of an unfinished line
    WriteLog(5, 1, "\n");
    EXPECT_NE(site.read("kavri.log").find("begun and going on\n"), std::string::npos);
    // The request keeps the file it opened: moved away, it still gets the
    // lines, and no second file is started.
    ASSERT_EQ(rename(site.path("kavri.log").c_str(), site.path("moved.log").c_str()), 0);
    WriteLog(0, 3, "Error: after the move\n");
    EXPECT_NE(access(site.path("kavri.log").c_str(), F_OK), 0);
    EXPECT_NE(site.read("moved.log").find("Error: after the move\n"), std::string::npos);
    // The end of the request writes an unfinished line and closes the file.
    WriteLog(0, 1, "left unfinished");
    EndRequestLog();
    EXPECT_EQ(site.read("moved.log").substr(site.read("moved.log").size() - 15), "left unfinished");
    // The next request's first line opens the log afresh: emptied, as
    // LogAppend is 0.
    site.write("kavri.log", "lines of an earlier request\n");
    WriteLog(0, 1, "second request\n");
    EXPECT_EQ(site.read("kavri.log"), "second request\n");
    EndRequestLog();
    site.load_config(ini_for(site, 1, 1));
    const std::string kept = site.read("kavri.log");
    EXPECT_EQ(kept.substr(0, 15), "second request\n");
    WriteLog(0, 1, "appended\n");
    EndRequestLog();
    WriteLog(0, 1, "and again\n");
    EXPECT_EQ(site.read("kavri.log"), kept + "appended\nand again\n");
}

TEST(Log, UnwritableDirectoryFailsQuietly) {
    test::TestSite site;
    site.load_config("[Log]\nLogLevel=1\nLogFilePath=" + site.dir() + "/no/such/dir\n");
    EXPECT_FALSE(WriteLog(1, 3, "Error\n"));
    EXPECT_TRUE(WriteLog(1, 3, ""));
}

}  // namespace
}  // namespace kavr
