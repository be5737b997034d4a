#include <gtest/gtest.h>

#include <cstdlib>

#include "expr/evaluator.h"
#include "expr/lexer.h"
#include "expr/resolve.h"
#include "expr/values.h"
#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

struct EvalCase {
    const char* expr;
    const char* expected;   // "FAIL" when compute_exp must return -1
    const char* errors;     // error codes the evaluation reports
};

void run_cases(const EvalCase* begin, const EvalCase* end) {
    for (const EvalCase* c = begin; c != end; ++c) {
        test::ExprEnv env;
        env.set("count", "5");
        env.set("x", "hello");
        env.set("yes", "yes");
        env.set("empty", "");
        env.set("age", "20");
        env.set("state", "NY");
        env.set("ten", "10");
        env.set("tenf", "10.0");
        env.set("lower", "abc");
        env.set("upper", "ABC");
        env.set("word", "abc");
        env.set("min", "-2147483648");
        env.set("big", "99999999999");
        env.set("list", "zero", 0);
        env.set("list", "two", 2);
        env.set("quoted", "\"q\"");
        EXPECT_EQ(env.eval(c->expr), c->expected) << c->expr;
        EXPECT_EQ(env.errors(), c->errors) << c->expr;
    }
}

TEST(ComputeExp, OperatorsPrioritiesAndAssociativity) {
    const EvalCase cases[] = {
        {"#1 + 2 * 3#", "7", ""},
        {"#(1 + 2) * 3#", "9", ""},
        {"#10 - 2 - 3#", "5", ""},
        {"#2 ^ 3 ^ 2#", "64.000000000000", ""},
        {"#-2 ^ 2#", "-4.000000000000", ""},
        {"#2 ^ -1#", "0.500000000000", ""},
        {"#7 / 2#", "3.500000000000", ""},
        {"#7 % 2#", "1", ""},
        {"#1.5 + 1#", "2.500000000000", ""},
        {"#-count#", "-5", ""},
        {"#+count#", "5", ""},
        {"#count + 1#", "6", ""},
        {"#count * 2 = 10#", "1", ""},
        {"#\"abc\" & \"def\"#", "abcdef", ""},
        {"#x & (count + 1)#", "hello6", ""},
        {"#x & count + 1#", "1.000000000000", ""},  // (x & count) + 1: hello5 counts as 0
        {"#word + 1#", "1.000000000000", ""},  // a word counts as 0
        {"#!(1 = 2)#", "1", ""},
        {"#1 = 1 AND NOT 0#", "1", ""},
        {"#1 = 2 OR 2 = 2 AND 0#", "0", ""},
        {"#(1 = 2 OR 2 = 2) && 1#", "1", ""},
    };
    run_cases(std::begin(cases), std::end(cases));
}

TEST(ComputeExp, IntegerArithmeticWrapsAndNeverTraps) {
    const EvalCase cases[] = {
        {"#2147483647 + 1#", "-2147483648", ""},
        {"#min - 1#", "2147483647", ""},
        {"#65536 * 65536#", "0", ""},
        {"#min % -1#", "0", ""},
        {"#min * -1#", "-2147483648", ""},
        {"#min / -1#", "2147483648.000000000000", ""},
        {"#big + 0#", "2147483647", ""},  // too large for 32 bits: saturates
        {"#-big - 1#", "-2147483648", ""},
        {"#1e999 + 1#", "FAIL", ""},  // a word, not a number, and not a name either
    };
    run_cases(std::begin(cases), std::end(cases));
}

TEST(ComputeExp, DivisionByZeroReportsAndGoesOn) {
    const EvalCase cases[] = {
        {"#7 / 0#", "0.000000000000", "10240"},
        {"#7 / 0.00000001#", "0.000000000000", "10240"},
        {"#7 % 0#", "0", "10240"},
        {"#7.4 % 0.2#", "0", "10240"},  // the divisor rounds to 0
        {"#7.6 % 2.5#", "2", ""},       // 8 % 3
        {"#(7 / 0) + 1#", "1.000000000000", "10240"},
    };
    run_cases(std::begin(cases), std::end(cases));
}

TEST(ComputeExp, ComparisonsAndTruth) {
    const EvalCase cases[] = {
        {"#ten = tenf#", "1", ""},
        {"#lower = upper#", "0", ""},
        {"#lower =$ upper#", "1", ""},
        {"#lower EQS upper#", "1", ""},
        {"#lower != upper#", "1", ""},
        {"#lower !=$ upper#", "0", ""},
        {"#lower nes upper#", "0", ""},
        {"#x contain \"ell\"#", "1", ""},
        {"#x ? \"ell\"#", "1", ""},
        {"#x !? \"z\"#", "1", ""},
        {"#x notcontain \"ell\"#", "0", ""},
        {"#2 gt 10#", "0", ""},
        {"#\"2\" gt \"10\"#", "1", ""},  // quoted: compared as texts
        {"#9 lte 9.0#", "1", ""},
        {"#9 gte 10#", "0", ""},
        {"#\"b\" lt \"a\"#", "0", ""},
        {"#state = \"NY\"#", "1", ""},
        {"#age gte 18 && state = \"NY\"#", "1", ""},
        {"#age lt 18 OR state = \"CA\"#", "0", ""},
        {"#10 contain 1#", "0", ""},  // numbers never contain
        {"#yes && 1#", "1", ""},      // a word is true as an operand
        {"#!yes#", "0", ""},
        {"#!empty#", "1", ""},        // the empty text is false for "!"
        {"#empty && 1#", "1", ""},    // and true for "&&"
        {"#0.0 || 00#", "0", ""},
        {"#-0 OR .0#", "0", ""},
        {"#\"0\" || 0#", "0", ""},
    };
    run_cases(std::begin(cases), std::end(cases));
}

TEST(ComputeExp, LiteralsAndQuoting) {
    const EvalCase cases[] = {
        {"\"hello\"", "hello", ""},
        {"plain text", "plain text", ""},
        {"", "", ""},
        {"#\"say \"\"hi\"\"\"#", "say \"hi\"", ""},
        {"#quoted#", "q", ""},
        {"#quoted & quoted#", "qq", ""},
        {"#\"a\" + 1#", "FAIL", ""},
        {"#quoted * 2#", "FAIL", ""},
        {"#empty + 1#", "FAIL", ""},
        {"#empty & 1#", "1", ""},
        {"#12.5#", "12.5", ""},
    };
    run_cases(std::begin(cases), std::end(cases));
}

TEST(ComputeExp, SyntaxErrorsAndUnresolvedNames) {
    const EvalCase cases[] = {
        {"#1 +#", "FAIL", "11010"},
        {"#(1#", "FAIL", "11010"},
        {"#a b#", "FAIL", "11010"},
        {"#x", "FAIL", "11010"},
        {"#nosuch#", "FAIL", "10810"},
        {"#nosuch + 1#", "FAIL", "10810"},
        {"#list[1]#", "FAIL", "10810"},
        {"#form.nosuch#", "FAIL", "10810"},
        {"#list[2]#", "two", ""},
        {"#list[1 + 1]#", "two", ""},
        {"#list[-3]#", "zero", ""},
        {"#LIST[count - 3]#", "two", ""},
    };
    run_cases(std::begin(cases), std::end(cases));
}

TEST(ComputeExp, HostileNestingIsASyntaxError) {
    test::ExprEnv env;
    EXPECT_EQ(env.eval("#" + std::string(100000, '(') + "1" + std::string(100000, ')') + "#"), "FAIL");
    EXPECT_EQ(env.errors(), "11010");
    test::ExprEnv env2;
    EXPECT_EQ(env2.eval("#" + std::string(200, '(') + "1" + std::string(200, ')') + "#"), "1");
}

TEST(ComputeExp, NestedCallsAndIndexesAreBounded) {
    auto nested = [](const char* open, const char* close, int depth, const char* core) {
        std::string s = "#";
        for (int i = 0; i < depth; ++i) s += open;
        s += core;
        for (int i = 0; i < depth; ++i) s += close;
        return s + "#";
    };
    test::ExprEnv env;
    EXPECT_EQ(env.eval(nested("Len(", ")", 100, "12345")), "1");
    EXPECT_EQ(env.eval(nested("Len(", ")", 5000, "1")), "FAIL");
    EXPECT_NE(env.errors().find("11010"), std::string::npos);
    env.set("a", "0");
    EXPECT_EQ(env.eval(nested("a[", "]", 50, "0")), "0");
    EXPECT_EQ(env.eval(nested("a[", "]", 5000, "0")), "FAIL");
}

TEST(ComputeExp, EmptyExpressionLeavesTheOutput) {
    test::ExprEnv env;
    std::string out = "kept";
    EXPECT_EQ(compute_exp("##", out, kValueSize, env.request), 1);
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(compute_exp("#\"abcdef\"#", out, 4, env.request), 1);
    EXPECT_EQ(out, "abc");
}

TEST(ComputeExp, UnresolvedNameSetsCurVarNameUnlessTheCheckIsOff) {
    test::ExprEnv env;
    EXPECT_EQ(env.eval("#Missing1#"), "FAIL");
    EXPECT_EQ(env.page().find("No variable Missing1") != std::string::npos, true) << env.page();
    std::string v;
    EXPECT_EQ(env.request.vars.get("CurVarName__", 0, v, 100), 1);
    EXPECT_EQ(v, "Missing1");

    test::ExprEnv off;
    off.request.var_exist_check = false;
    EXPECT_EQ(off.eval("#Missing2#"), "FAIL");
    EXPECT_EQ(off.errors(), "");
}

int fake_query_column(Request&, const std::string& query, const std::string& column, std::string& out,
                      size_t size) {
    if (query != "Q1") return 0;
    out = ("col:" + column).substr(0, size - 1);
    return 1;
}

TEST(ResolveReference, ScopesAndLookupOrder) {
    test::ExprEnv env;
    RequestTables& t = env.request.input;
    t.vars = {{"u", "urlval"}, {"both", "fromurl"}, {"x", "formval"}, {"shared", "fromform"}};
    t.url_count = 2;
    t.form_end = 4;
    t.cookies = {{"pref", "dark"}};
    env.set("count", "5");
    env.set("shared", "fromvar");
    env.set("long", std::string(3000, 'v').c_str());
    setenv("REMOTE_ADDR", "10.1.2.3", 1);

    const struct {
        const char* expr;
        const char* expected;
    } cases[] = {
        {"#url.u#", "urlval"},        {"#URL.both#", "fromurl"},    {"#form.x#", "formval"},
        {"#url.x#", "FAIL"},          {"#form.u#", "FAIL"},         {"#cookie.pref#", "dark"},
        {"#variables.count#", "5"},   {"#cgi.remote_addr#", "10.1.2.3"},
        {"#remote_addr#", "10.1.2.3"}, {"#u#", "urlval"},           {"#shared#", "fromform"},
        {"#pref#", "dark"},           {"#Count#", "5"},             {"#Q1.name#", "FAIL"},
    };
    for (const auto& c : cases) EXPECT_EQ(env.eval(c.expr), c.expected) << c.expr;

    // Scoped values pass through a 1024-byte buffer; plain ones do not.
    EXPECT_EQ(env.eval("#variables.long#").size(), 1023u);
    EXPECT_EQ(env.eval("#long#").size(), 3000u);

    SetQueryColumnResolver(fake_query_column);
    EXPECT_EQ(env.eval("#Q1.name#"), "col:name");
    EXPECT_EQ(env.eval("#Q2.name#"), "FAIL");
    SetQueryColumnResolver(nullptr);

    // The current row comes before every other scope.
    std::vector<std::string> names = {"id", "Shared"}, values = {"7", "fromrow"};
    RowView row{&names, &values, 2};
    EXPECT_EQ(env.eval("#shared & id#", row), "fromrow7");
    RowView short_row{&names, &values, 1};
    EXPECT_EQ(env.eval("#shared#", short_row), "fromform");

    // Text that is not a reference is left alone.
    std::string text = "plain";
    EXPECT_EQ(ResolveReference(kTokIdent, text, 100, env.request), 1);
    EXPECT_EQ(text, "plain");
}

TEST(Values, CompareValuesIsTrueCaseMatch) {
    const struct {
        const char *l, *r;
        int code, expected;
    } cmp[] = {
        {"10", "10.0", 1, 1}, {"10", "9", 2, 1},    {"10", "9", 3, 0},    {"abc", "abd", 3, 1},
        {"10", "\"10\"", 1, 1}, {"abc", "\"abc\"", 1, 1}, {"\"abc\"", "ABC", 11, 1},
        {"\xe9", "a", 2, 1},  // bytes compare unsigned
        {"1.5", "1.50", 41, 0}, {"hello", "ll", 7, 1}, {"hello", "ll", 8, 0}, {"5", "5", 9, 0},
        {"1.5", "abc", 1, 0},  {"2", "2", 6, 1},      {"2", "3", 5, 0},
    };
    for (const auto& c : cmp) EXPECT_EQ(CompareValues(c.l, c.r, c.code), c.expected) << c.l << " " << c.r;

    const struct {
        const char* v;
        int expected;
    } truth[] = {{"1", 1},   {"0", 0},   {"00", 0},  {"-0", 0},   {"0.0", 0}, {".0", 0},
                 {"yes", 0}, {"", 0},    {"2.5", 1}, {"-3", 1},   {"1.2.3", 0}};
    for (const auto& c : truth) EXPECT_EQ(IsTrue(c.v), c.expected) << c.v;

    const struct {
        const char *sel, *kw, *val;
        int expected;
    } cases[] = {{"5", "is", "5", 1},     {"5", "IS", "05", 1},   {"abc", "is", "ABC", 1},
                 {"5", "is", "5.0", 1},   {"5", "was", "5", 0},   {"a", "is", "1", 0},
                 {"1.5", "is", "1.50", 1}, {"abc", "is", "abd", 0}};
    for (const auto& c : cases) EXPECT_EQ(CaseMatch(c.sel, c.kw, c.val), c.expected) << c.sel << c.val;
}

TEST(Values, NumberClassesAndSaturation) {
    const struct {
        const char* v;
        bool integer, number;
    } cases[] = {{"12", true, true},   {"-12", true, true},  {"+0", true, true},   {"12.5", false, true},
                 {".5", false, true},  {"12.", false, true}, {"-", false, false},  {".", false, false},
                 {"1.2.3", false, false}, {"", false, false}, {" 1", false, false}, {"1e5", false, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsInteger(c.v), c.integer) << c.v;
        EXPECT_EQ(IsNumber(c.v), c.number) << c.v;
    }
    int i = 0;
    EXPECT_TRUE(ReadInt32("99999999999999999999", i));
    EXPECT_EQ(i, 2147483647);
    EXPECT_TRUE(ReadInt32("-99999999999999999999", i));
    EXPECT_EQ(i, -2147483647 - 1);
    EXPECT_EQ(SaturateInt32(1e300), 2147483647);
    EXPECT_EQ(SaturateInt32(-1e300), -2147483647 - 1);
    EXPECT_EQ(SaturateInt32(0.0 / 0.0), 0);
}

}  // namespace
}  // namespace kavr
