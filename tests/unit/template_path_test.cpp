#include "template/template_path.h"

#include <gtest/gtest.h>

#include "driver/core/request.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

struct PathCase {
    const char* value;
    const char* path;
    bool refused;
};

TEST(TemplatePath, LongestLogicalPrefixAndDefaultExtension) {
    test::TestSite site;
    site.load_config("[Template]\nTmpLogicalPath1=/app\nTmpPhysicalPath1=/srv/app\n"
                     "TmpLogicalPath2=/app/admin\nTmpPhysicalPath2=/srv/admin\n");
    const PathCase cases[] = {
        {"/app/admin/x", "\\srv\\admin\\x.kvl", false},
        {"app/admin/x", "\\srv\\admin\\x.kvl", false},
        {"/application/x", "\\srv\\application\\x.kvl", false},  // no boundary check
        {"/app/page.htm", "\\srv\\app\\page.htm", false},
        {"/APP/report", "\\srv\\app\\report.kvl", false},
        {"/other/x.kvl", "\\other\\x.kvl", true},
        {"/app/../etc/passwd", "", true},
    };
    for (const PathCase& c : cases) {
        Request r;
        ResolvedTemplate t = ResolveTemplatePath(r, c.value);
        EXPECT_EQ(t.refused, c.refused) << c.value;
        if (!c.refused) {
            EXPECT_EQ(t.path, std::string(c.path)) << c.value;
            std::string cur;
            EXPECT_EQ(r.vars.get("CurTemplateName__", 0, cur, 1024), 1);
            EXPECT_EQ(cur, t.path);
        }
    }
}

TEST(TemplatePath, WithoutLogicalPathsRelativeValuesPassAndEscapesAreRefused) {
    test::TestSite site;
    site.load_config("");
    Request r;
    ResolvedTemplate t = ResolveTemplatePath(r, "pages/a.htm");
    EXPECT_FALSE(t.refused);
    EXPECT_EQ(t.path, "pages/a.htm");
    std::string cur;
    EXPECT_EQ(r.vars.get("CurTemplateName__", 0, cur, 1024), 0);
    EXPECT_TRUE(ResolveTemplatePath(r, "/etc/passwd").refused);
    EXPECT_TRUE(ResolveTemplatePath(r, "\\etc\\passwd").refused);
    EXPECT_TRUE(ResolveTemplatePath(r, "a/../../x.kvl").refused);
    EXPECT_TRUE(ResolveTemplatePath(r, "..\\x.kvl").refused);
    EXPECT_FALSE(ResolveTemplatePath(r, "a..b/x.kvl").refused);
}

TEST(TemplatePath, InsideATemplateDirectoryByWholeSegments) {
    test::TestSite site;
    site.load_config("[Template]\nTmpLogicalPath1=/app\nTmpPhysicalPath1=/srv/app/\n"
                     "TmpLogicalPath2=/x\nTmpPhysicalPath2=c:\\sites\\x\n");
    struct Case {
        const char* path;
        bool inside;
    } cases[] = {
        {"/srv/app/done.htm", true},   {"\\srv\\app\\sub\\done.htm", true},
        {"c:\\sites\\x\\a.htm", true}, {"/srv/application/done.htm", false},
        {"/srv/app", false},           {"/srv/app/", false},
        {"/srv/app/../secret.txt", false}, {"/srv/app/sub/../../secret.txt", false},
        {"/SRV/APP/done.htm", false},  {"srv/app/done.htm", false},
        {"/done.htm", false},
    };
    for (const Case& c : cases) EXPECT_EQ(InsideTemplateDirectory(c.path), c.inside) << c.path;
}

TEST(TemplatePath, UntrustedScriptBitsBecomePermissions) {
    test::TestSite site;
    site.load_config("[Template]\nUntrustedScript1=\\demo\\x.kvl\nUntrustedScriptAllowOnly1=5\n");
    Request r;
    DeriveTemplatePermissions(r, "demo/x.kvl");
    EXPECT_TRUE(r.permissions.file_read);
    EXPECT_FALSE(r.permissions.file_write);
    EXPECT_TRUE(r.permissions.database);
    EXPECT_FALSE(r.permissions.run_programs);
    EXPECT_FALSE(r.permissions.mail);
    DeriveTemplatePermissions(r, "demo/y.kvl");
    EXPECT_TRUE(r.permissions.mail);
}

TEST(TemplatePath, UntrustedEntryCannotBeDodgedByAnotherSpellingOfTheSameFile) {
    test::TestSite site;
    site.load_config("[Template]\nTmpLogicalPath1=/\nTmpPhysicalPath1=/srv/site\n"
                     "UntrustedScript1=/guest/board.kvl\nUntrustedScriptAllowOnly1=1\n");
    for (const char* spelling : {"/guest/board.kvl", "/guest/board", "guest\\BOARD"}) {
        Request r;
        DeriveTemplatePermissions(r, spelling);
        EXPECT_FALSE(r.permissions.database) << spelling;
        EXPECT_TRUE(r.permissions.file_read) << spelling;
    }
}

TEST(TemplatePath, DirectoryPart) {
    EXPECT_EQ(TemplateDirectory("\\srv\\app\\x.kvl"), "\\srv\\app");
    EXPECT_EQ(TemplateDirectory("c:x.kvl"), "c:");
    EXPECT_EQ(TemplateDirectory("x.kvl"), "");
    EXPECT_EQ(TemplateDirectory("a/b/c.kvl"), "a\\b");
}

}  // namespace
}  // namespace kavr
