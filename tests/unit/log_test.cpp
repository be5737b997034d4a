#include "driver/core/log.h"

#include <gtest/gtest.h>

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

TEST(Log, UnwritableDirectoryFailsQuietly) {
    test::TestSite site;
    site.load_config("[Log]\nLogLevel=1\nLogFilePath=" + site.dir() + "/no/such/dir\n");
    EXPECT_FALSE(WriteLog(1, 3, "Error\n"));
    EXPECT_TRUE(WriteLog(1, 3, ""));
}

}  // namespace
}  // namespace kavr
