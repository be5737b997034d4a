// The attribute reader of the io tags and kavrun's command line.
#include <gtest/gtest.h>

#include "expr/lexer.h"
#include "io/run_command.h"
#include "template/tag_attributes.h"
#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

// "which=value|..." for the attributes read, or "FAIL".
std::string read(const std::string& text, std::string* rest = nullptr) {
    Lexer lexer(text, kRefKeepDouble);
    std::vector<TagAttribute> attrs;
    if (!ReadTagAttributes(lexer, {"name", "ret", "Timeout"}, attrs)) return "FAIL";
    std::string out;
    for (const TagAttribute& a : attrs) out += std::to_string(a.which) + "=" + a.value + "|";
    if (rest) *rest = text.substr(lexer.position());
    return out;
}

TEST(IoTagAttributes, ReadsKnownNamesInOrderAndSkipsTheRest) {
    struct Case {
        const char* text;
        const char* read;
    };
    const Case cases[] = {
        {" NAME=\"/a b.txt\" junk=\"x > y\" ret=ok>", "0=/a b.txt|1=ok|"},
        {" name=#file# name=second>", "0=#file#|0=second|"},
        {" timeout=-5 >", "2=-5|"},
        {" name=\"\">", "0=|"},
        {" name=>", "0=|"},
        {" unknown tokens = only >", ""},
        {" name \"x\">", "FAIL"},   // a known name without "="
        {" name=\"x\" ret=", "FAIL"},  // the text ends inside the tag
        {" name=\"x\"", "FAIL"},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.text), c.read) << c.text;

    std::string rest;
    EXPECT_EQ(read(" name=a> after <kavx name=b>", &rest), "0=a|");
    EXPECT_EQ(rest, " after <kavx name=b>");
}

TEST(IoRunCommand, RedirectionAndItems) {
    EXPECT_EQ(FindRedirect("prog a > out.txt"), 7u);
    EXPECT_EQ(FindRedirect("prog #a > b# x"), std::string::npos);
    EXPECT_EQ(FindRedirect("prog #a# > x"), 9u);
    EXPECT_EQ(JoinItems("  c:\\out put . txt "), "c:\\output.txt");
    EXPECT_EQ(JoinItems(" \"my file.txt\""), "my file.txt");
}

TEST(IoRunCommand, OnlyAWrittenGreaterThanRedirects) {
    test::ExprEnv env;
    env.set("arg", "x > /tmp/evil");
    env.set("file", "out.txt");
    struct Case {
        const char* exe;
        const char* inpara;
        const char* command;
        bool redirected;
        const char* file;
    };
    const Case cases[] = {
        {"prog a", "", "prog a", false, ""},
        {"prog a", "b c", "prog a b c", false, ""},
        {"prog a > /tmp/o.txt", "", "prog a ", true, "/tmp/o.txt"},
        {"prog a > /tmp/o.txt", "b", "prog a ", true, "/tmp/o.txtb"},
        {"prog", "b > #file#", "prog b ", true, "out.txt"},
        {"prog #arg#", "", "prog x > /tmp/evil", false, ""},
        {"prog", "#arg#", "prog x > /tmp/evil", false, ""},
        {"prog #arg# >#file#", "", "prog x > /tmp/evil ", true, "out.txt"},
    };
    for (const Case& c : cases) {
        RunCommand cmd;
        ASSERT_EQ(BuildRunCommand(env.request, c.exe, c.inpara, cmd), 1) << c.exe;
        EXPECT_EQ(cmd.command, c.command) << c.exe;
        EXPECT_EQ(cmd.redirected, c.redirected) << c.exe;
        EXPECT_EQ(cmd.output_file, c.file) << c.exe;
    }
}

}  // namespace
}  // namespace kavr
