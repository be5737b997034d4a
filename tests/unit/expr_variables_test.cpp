#include <gtest/gtest.h>

#include "driver/core/report_error.h"
#include "expr/variables.h"
#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

TEST(Variables, NameForms) {
    const struct {
        const char* form;
        NameFormKind kind;
        const char* name;
        const char* index;
    } cases[] = {
        {"name", kNamePlain, "name", ""},          {"#name#", kNamePlain, "name", ""},
        {"name[1 + 2]", kNameElement, "name", "1 + 2"}, {"#name[i]#", kNameElement, "name", "i"},
        {"name[a[1]]", kNameElement, "name", "a[1]"}, {"name[]", kNameList, "name", ""},
        {"#name[]#", kNameList, "name", ""},       {"name other", kNameIllegal, "", ""},
        {"name[", kNameIllegal, "", ""},           {"[x]", kNameIllegal, "", ""},
        {"#name", kNameIllegal, "", ""},           {"name[1]x", kNameIllegal, "", ""},
        {"", kNameIllegal, "", ""},                {"\"name\"", kNameIllegal, "", ""},
    };
    for (const auto& c : cases) {
        NameForm nf = ClassifyNameForm(c.form);
        EXPECT_EQ(nf.kind, c.kind) << c.form;
        if (c.kind != kNameIllegal) {
            EXPECT_EQ(nf.name, c.name) << c.form;
            EXPECT_EQ(nf.index_expr, c.index) << c.form;
        }
    }
}

TEST(Variables, AssignAndRead) {
    test::ExprEnv env;
    Request& r = env.request;
    std::string v;
    EXPECT_EQ(AssignVariable(r, "x[]", ",a,,b"), 1);
    EXPECT_EQ(env.eval("#x[0]#|#x[1]#|#x[2]#"), "FAIL");  // one reference per expression
    EXPECT_EQ(env.eval("#x[0] & \"|\" & x[1] & \"|\" & x[2]#"), "a||b");
    EXPECT_EQ(AssignVariable(r, "y[]", "abc"), 1);
    EXPECT_EQ(r.vars.find("y")->elements.size(), 1u);
    EXPECT_EQ(env.eval("#y#"), "bc");

    r.vars.set("z", "keep", 5);
    EXPECT_EQ(AssignVariable(r, "#z[]#", "/p/q"), 1);
    EXPECT_EQ(env.eval("#z[0] & z[1] & z[5]#"), "pqkeep");

    EXPECT_EQ(AssignVariable(r, "Total", "1"), 1);
    EXPECT_EQ(AssignVariable(r, "total", "2"), 1);
    EXPECT_EQ(r.vars.find("TOTAL")->name, "Total");
    EXPECT_EQ(env.eval("#total#"), "2");

    r.vars.set("i", "1");
    EXPECT_EQ(AssignVariable(r, "w[i + 1]", "two"), 1);
    EXPECT_EQ(r.vars.get("w", 2, v, 100), 1);
    EXPECT_EQ(v, "two");
    EXPECT_EQ(AssignVariable(r, "w[nosuch]", "x"), 0);
    EXPECT_EQ(AssignVariable(r, "w v", "x"), 0);

    EXPECT_EQ(SetVariable(r, "#s#", "v", 0), 1);
    EXPECT_EQ(env.eval("#s[-3]#"), "v");  // a negative index reads index 0
}

struct ExpandCase {
    ExpandMode mode;
    const char* text;
    const char* expected;  // "FAIL" when expansion must fail (text unchanged)
};

TEST(Variables, AttributeExpander) {
    const ExpandCase cases[] = {
        {kExpandText, "Hello #x#, ## stays", "Hello hello, ## stays"},
        {kExpandSql, "a ## b", "a # b"},
        {kExpandText, "  a\t#x#  ", "  a\thello  "},
        {kExpandText, "#count + 1# items", "6 items"},
        {kExpandText, "#a##b#", "AB"},
        {kExpandText, "\"#x#\" 'q'", "\"hello\" 'q'"},
        {kExpandText, "50% #off", "50% #off"},  // a reference left open stays as written
        {kExpandText, "bad #nosuch# end", "FAIL"},
        {kExpandSql, "n = '#name#'", "n = 'O''Brien'|'x'"},
        {kExpandSql, "n = '#form.name#'", "n = 'O''Brien'|'x'"},
        {kExpandSql, "n = '#Trim(name)#'", "n = 'O''Brien'|'x'"},
        {kExpandSql, "n = '#PreserveSingleQuotes(name)#'", "n = 'O'Brien|x'"},
        {kExpandSql, "n = '#preservesinglequotes(name)#'", "n = 'O''Brien'|'x'"},
        {kExpandSql, "n = '#mine#'", "n = 'it's'"},  // not a request parameter
        {kExpandText, "n = '#name#'", "n = 'O'Brien|x'"},
        // Request values outside the statement's quotes: numbers, number
        // lists and names pass, anything else refuses the statement.
        {kExpandSql, "id = #id#", "id = -4.5"},
        {kExpandSql, "id IN (#ids#)", "id IN (1, 2,3)"},
        {kExpandSql, "ORDER BY #col#", "ORDER BY t.name_2"},
        {kExpandSql, "id = #form.bad#", "FAIL"},
        {kExpandSql, "id = #Trim(bad)#", "FAIL"},
        {kExpandSql, "id = #name#", "FAIL"},
        {kExpandSql, "x = 'it''s' AND id = #bad#", "FAIL"},  // a doubled quote is not an opening
        {kExpandSql, "x = 'a #bad# b'", "x = 'a 1 OR 1=1 b'"},
        {kExpandSql, "x = \"#bad#\"", "FAIL"},  // double quotes name, they do not quote
        {kExpandSql, "id = #mine2#", "id = 1 OR 1=1"},  // template variables are the author's
        {kExpandText, "id = #bad#", "id = 1 OR 1=1"},
        {kExpandHtml, "<b>#bad2#</b>", "<b>&lt;i&gt;&amp;&quot;</b>"},
    };
    for (const ExpandCase& c : cases) {
        test::ExprEnv env;
        env.set("x", "hello");
        env.set("count", "5");
        env.set("a", "A");
        env.set("b", "B");
        env.set("mine", "it's");
        env.set("mine2", "1 OR 1=1");
        env.request.input.vars = {{"name", "O'Brien|x"}, {"id", "-4.5"},   {"ids", "1, 2,3"},
                                  {"col", "t.name_2"},   {"bad", "1 OR 1=1"}, {"bad2", "<i>&\""}};
        env.request.input.url_count = 0;
        env.request.input.form_end = env.request.input.vars.size();
        std::string text = c.text;
        int ok = ExpandAttribute(c.mode, text, 1024, env.request);
        EXPECT_EQ(ok ? text : "FAIL", c.expected) << c.text;
        if (!ok) {
            EXPECT_EQ(text, c.text);
        }
    }
}

TEST(Variables, ExpanderLimits) {
    test::ExprEnv env;
    env.set("big", std::string(9000, 'b').c_str());
    std::string text;
    for (int i = 0; i < 4; ++i) text += "#big# ";
    ASSERT_EQ(ExpandAttribute(kExpandText, text, 100000, env.request), 1);
    EXPECT_EQ(text.size(), 16383u);
    text = "#big#";
    ASSERT_EQ(ExpandAttribute(kExpandText, text, 1024, env.request), 1);
    EXPECT_EQ(text, std::string(1023, 'b'));
}

TEST(Variables, CatalogTextsAreExpanded) {
    test::ExprEnv env;
    env.site.write("kavr_msg.ini", "[ErrorMsg]\n10500c=File #CurFileName__# ## missing\n");
    env.set("CurFileName__", "a.txt");
    ASSERT_TRUE(ReportError(env.request, "10500", env.request.out));
    EXPECT_NE(env.page().find("File a.txt # missing"), std::string::npos) << env.page();
}

TEST(Variables, CatalogTextThatFailsItselfDoesNotRecurse) {
    test::ExprEnv env;
    env.site.write("kavr_msg.ini", "[ErrorMsg]\n10240c=Division #1 / 0#\n11010c=Syntax #1 +#\n");
    // The division goes on with 0; the inner report of 10240 is not written.
    EXPECT_TRUE(ReportError(env.request, "10240", env.request.out));
    EXPECT_EQ(env.errors(), "10240");
    EXPECT_NE(env.page().find("Division 0.000000000000<"), std::string::npos);
    EXPECT_FALSE(ReportError(env.request, "11010", env.request.out));
    EXPECT_EQ(env.errors(), "10240");
}

}  // namespace
}  // namespace kavr
