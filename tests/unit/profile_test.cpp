#include "platform/profile.h"

#include <gtest/gtest.h>

#include "tests/unit/test_site.h"

namespace kavr {
namespace {

TEST(Profile, SectionsAndKeysIgnoreCaseAndValuesAreTrimmed) {
    platform::ProfileFile f;
    f.parse("; comment\n[Main]\r\n  Version =  2.5 beta  \r\n[log]\nLogLevel=3\n[LOG]\nLogLevel=1\n"
            "[Other]\nkey=first\nKEY=second\nnoequals\n");
    EXPECT_EQ(f.get("main", "VERSION", "d", 1024), "2.5 beta");
    EXPECT_EQ(f.get("Log", "loglevel", "d", 1024), "3");  // the first section wins
    EXPECT_EQ(f.get("other", "key", "d", 1024), "first");
    EXPECT_EQ(f.get("other", "noequals", "d", 1024), "d");
    EXPECT_EQ(f.get("missing", "key", "dflt", 1024), "dflt");
    EXPECT_EQ(f.get("main", "version", "", 4), "2.5");  // cut to size - 1
}

TEST(Profile, MissingFileReadsAsDefault) {
    EXPECT_EQ(platform::GetPrivateProfileStringA("A", "b", "def", 100, "\\no\\such\\file.ini"), "def");
    test::TestSite site;
    site.write("x.ini", "[A]\nb=from file\n");
    EXPECT_EQ(platform::GetPrivateProfileStringA("a", "B", "def", 100, site.dir() + "\\x.ini"),
              "from file");
}

}  // namespace
}  // namespace kavr
