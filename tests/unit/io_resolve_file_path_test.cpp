#include "io/resolve_file_path.h"

#include <gtest/gtest.h>

#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

TEST(ResolveFilePath, ParentSegmentsAndCoverage) {
    struct Segments {
        const char* name;
        bool parent;
    };
    const Segments names[] = {
        {"\\data\\..\\x", true}, {"..", true},           {"..\\x", true},        {"\\data\\..", true},
        {"\\data\\x..y", false}, {"\\data\\...\\x", false}, {"\\data\\.\\x", false}, {"", false},
    };
    for (const Segments& s : names) EXPECT_EQ(HasParentSegment(s.name), s.parent) << s.name;

    EXPECT_TRUE(CoversPath("\\srv\\data", "\\srv\\data"));
    EXPECT_TRUE(CoversPath("\\srv\\data", "\\srv\\data\\x.txt"));
    EXPECT_TRUE(CoversPath("", "\\anything"));
    EXPECT_TRUE(CoversPath("\\srv\\", "\\srv\\x"));
    EXPECT_FALSE(CoversPath("\\srv\\data", "\\srv\\database\\x.txt"));
    EXPECT_FALSE(CoversPath("\\srv\\Data", "\\srv\\data\\x.txt"));  // names differ by case here
    EXPECT_FALSE(CoversPath("\\srv\\data", "x\\srv\\data\\y"));
}

struct Resolver : test::ExprEnv {
    Resolver() {
        site.write("kavr_msg.ini",
                   "[ErrorMsg]\n10510c=no path\n10520c=read refused\n10530c=write refused\n"
                   "10650c=read password\n10660c=write password\n");
        site.load_config(
            "[File IO]\n"
            "FileIOLogicalPath1=/data\nFileIOPhysicalPath1=/srv/data\nFileRead1=1\nFileWrite1=1\n"
            "FileIOLogicalPath2=/\nFileIOPhysicalPath2=/srv/root\nFileRead2=1\nFileWrite2=0\n"
            "FileWritePassword2=pw\n");
        request.template_dir = "\\srv\\data\\pages";
    }
    // The physical path, or the codes reported.
    std::string resolve(const std::string& name, const char* mode, const std::string& password = "") {
        std::string physical;
        if (ResolveFilePath(request, name, physical, mode, password, request.out)) return physical;
        std::string codes = errors();
        return codes.empty() ? "silent" : codes;
    }
};

TEST(ResolveFilePath, Outcomes) {
    struct Case {
        const char* name;
        const char* mode;
        const char* password;
        const char* outcome;
    };
    const Case cases[] = {
        {"/data/a.txt", "r", "", "\\srv\\data\\a.txt"},
        {"data/sub/a.txt", "a+", "", "\\srv\\data\\sub\\a.txt"},
        {"/database/a.txt", "r", "", "\\srv\\root\\database\\a.txt"},  // falls back to "/"
        {"/other.txt", "w", "pw", "10530"},  // the "/" entry does not allow writing
        {"/other.txt", "w", "", "10660"},
        {".\\n.txt", "r", "", "\\srv\\data\\pages\\n.txt"},
        {"./n.txt", "w", "", "\\srv\\data\\pages\\n.txt"},
        {"\\data\\.\\n.txt", "r", "", "silent"},
        {"/data/../etc/passwd", "r", "", "10520"},
        {"/data/../etc/passwd", "w", "", "10530"},
        {".\\..\\..\\etc\\passwd", "r", "", "10520"},
        {"", "r", "", "10510"},
    };
    for (const Case& c : cases) {
        Resolver env;
        EXPECT_EQ(env.resolve(c.name, c.mode, c.password), c.outcome) << c.name << " " << c.mode;
    }
}

TEST(ResolveFilePath, NulBytesAndOverlongPathsAreRefused) {
    Resolver env;
    EXPECT_EQ(env.resolve(std::string("/data/a.txt\0x", 13), "r"), "10520");
    Resolver env2;
    EXPECT_EQ(env2.resolve("/data/" + std::string(1100, 'x'), "w"), "10530");
    Resolver env3;
    EXPECT_EQ(env3.resolve("/data/" + std::string(1000, 'x'), "r"), "\\srv\\data\\" + std::string(1000, 'x'));
}

TEST(ResolveFilePath, EntriesWithoutADirectoryAreIgnored) {
    Resolver env;
    env.site.load_config("[File IO]\nFileIOLogicalPath1=/bare\n");
    ASSERT_EQ(g_config.file_access.size(), 1u);
    EXPECT_EQ(env.resolve("/bare/x.txt", "r"), "10510");
    std::string value;
    env.request.vars.get("CurFileName__", 0, value, 100);
    EXPECT_EQ(value, "/bare/x.txt");
}

TEST(ResolveFilePath, MovingNeedsWriteRightsOnTheSource) {
    Resolver env;
    std::string physical;
    EXPECT_EQ(ResolveFileToMove(env.request, "/data/a.txt", physical, "", env.request.out), 1);
    EXPECT_EQ(ResolveFileToMove(env.request, "/other.txt", physical, "", env.request.out), 0);
    EXPECT_EQ(env.errors(), "10530");
    env.request.permissions.file_write = false;
    EXPECT_EQ(ResolveFileToMove(env.request, "/data/a.txt", physical, "", env.request.out), 0);
}

}  // namespace
}  // namespace kavr
