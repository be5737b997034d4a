#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/dir_search.h"
#include "platform/profile.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

struct EditCase {
    const char* what;
    const char* before;
    const char* section;
    const char* key;
    const char* value;  // null deletes
    const char* after;
};

const EditCase kEdits[] = {
    {"new file", "", "Count", "visits", "1", "[Count]\nvisits=1\n"},
    {"replace keeps comments and other lines",
     "; site counters\n[Count]\n; how many\nvisits = 7\nother=x\n", "count", "VISITS", "8",
     "; site counters\n[Count]\n; how many\nVISITS=8\nother=x\n"},
    {"missing key goes after the section's last key", "[A]\na=1\n\n[B]\nb=2\n", "a", "n", "v",
     "[A]\na=1\nn=v\n\n[B]\nb=2\n"},
    {"missing key in an empty section", "[A]\n[B]\nb=2\n", "A", "n", "v", "[A]\nn=v\n[B]\nb=2\n"},
    {"missing section appended, last line without break", "[A]\na=1", "B", "k", "v",
     "[A]\na=1\n[B]\nk=v\n"},
    {"carriage returns kept and used for new lines", "[A]\r\na=1\r\n", "A", "b", "2",
     "[A]\r\na=1\r\nb=2\r\n"},
    {"delete removes every line of the key in the section", "[A]\nk=1\nx=2\nK = 3\n[B]\nk=9\n", "a",
     "k", nullptr, "[A]\nx=2\n[B]\nk=9\n"},
    {"delete of a missing section leaves the text", "; only a comment\n", "A", "k", nullptr,
     "; only a comment\n"},
    {"only the first of repeated sections is written", "[A]\na=1\n[A]\na=2\n", "A", "a", "5",
     "[A]\na=5\n[A]\na=2\n"},
    {"a commented key is not the key; with no key line the key follows the header", "[A]\n;k=old\n",
     "A", "k", "new", "[A]\nk=new\n;k=old\n"},
};

TEST(ProfileWriter, EditsKeepEveryOtherLine) {
    for (const EditCase& c : kEdits) {
        std::string value = c.value ? c.value : "";
        EXPECT_EQ(platform::EditProfileText(c.before, c.section, c.key, c.value ? &value : nullptr),
                  c.after)
            << c.what;
    }
}

TEST(ProfileWriter, WritesReadBackAndLeaveNoTemporaryFiles) {
    test::TestSite site;
    std::string ini = site.dir() + "/p.ini";
    std::string one = "1", two = "two words";
    ASSERT_TRUE(platform::WritePrivateProfileStringA("Count", "visits", &one, ini));
    ASSERT_TRUE(platform::WritePrivateProfileStringA("Count", "who", &two, ini));
    EXPECT_EQ(platform::GetPrivateProfileStringA("count", "VISITS", "", 1024, ini), "1");
    EXPECT_EQ(platform::GetPrivateProfileStringA("count", "who", "", 1024, ini), "two words");
    ASSERT_TRUE(platform::WritePrivateProfileStringA("Count", "visits", nullptr, ini));
    EXPECT_EQ(site.read("p.ini"), "[Count]\nwho=two words\n");
    EXPECT_EQ(platform::find_files(site.dir(), "*").size(), 1u);
}

TEST(ProfileWriter, ValuesCannotStartLinesOfTheirOwn) {
    test::TestSite site;
    std::string ini = site.dir() + "/p.ini";
    std::string hostile = "x\r\n[Admin]\nAdminPassword=owned";
    ASSERT_TRUE(platform::WritePrivateProfileStringA("A", "k", &hostile, ini));
    EXPECT_EQ(site.read("p.ini"), "[A]\nk=x[Admin]AdminPassword=owned\n");
    EXPECT_EQ(platform::GetPrivateProfileStringA("Admin", "AdminPassword", "none", 100, ini), "none");

    std::string v = "v";
    for (const char* key : {"", "  ", "a=b", "[x", ";c"})
        EXPECT_FALSE(platform::WritePrivateProfileStringA("A", key, &v, ini)) << key;
    EXPECT_FALSE(platform::WritePrivateProfileStringA("a]b", "k", &v, ini));
    EXPECT_FALSE(platform::WritePrivateProfileStringA("A", "k", &v, site.dir() + "/no/such/dir/p.ini"));
}

TEST(ProfileWriter, ConcurrentWritersLoseNoKey) {
    test::TestSite site;
    std::string ini = site.dir() + "/shared.ini";
    const int kWriters = 4, kKeys = 25;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int k = 0; k < kKeys; ++k) {
                std::string value = std::to_string(w * 100 + k);
                ok = platform::WritePrivateProfileStringA("W" + std::to_string(w), "k" + std::to_string(k),
                                                          &value, ini) && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    platform::ProfileFile f;
    ASSERT_TRUE(f.load(ini));
    for (int w = 0; w < kWriters; ++w)
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(f.get("W" + std::to_string(w), "k" + std::to_string(k), "missing", 100),
                      std::to_string(w * 100 + k));
}

}  // namespace
}  // namespace kavr
