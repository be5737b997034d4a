#include "expr/parser.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/core/text_util.h"

namespace kavr {
namespace {

// The postfix list as one line: operands as written, operators in brackets.
std::string postfix(const char* expr) {
    OpList list;
    if (!ParseExpressionText(expr, false, list)) return "ERROR";
    std::string out;
    for (const ExprNode& n : list) {
        if (!out.empty()) out += ' ';
        if (n.kind == kNodeOperand)
            out += (n.needs_resolving ? "$" : "") + n.value;
        else
            out += "[" + n.op + (n.kind == kNodeUnary ? "u" : "") + "]";
    }
    return out;
}

TEST(Parser, PrioritiesAndAssociativity) {
    const struct {
        const char* expr;
        const char* postfix;
    } cases[] = {
        {"1 + 2 * 3", "1 2 3 [*] [+]"},
        {"(1 + 2) * 3", "1 2 [+] 3 [*]"},
        {"10 - 2 - 3", "10 2 [-] 3 [-]"},
        {"2 ^ 3 ^ 2", "2 3 [^] 2 [^]"},
        {"-2 ^ 2", "2 2 [^] [-u]"},
        {"2 ^ -3", "2 3 [-u] [^]"},
        {"a && b || c", "$a $b [&&] $c [||]"},
        {"a OR b AND c", "$a $b $c [&&] [||]"},
        {"NOT a = b", "$a $b [=] [!u]"},
        {"!(1 = 2)", "1 2 [=] [!u]"},
        {"1 = 1 AND NOT 0", "1 1 [=] 0 [!u] [&&]"},
        {"age gte 18 && state = \"NY\"", "$age 18 [gte] $state \"NY\" [=] [&&]"},
        {"\"a\" & \"b\" & c", "\"a\" \"b\" [&] $c [&]"},
        {"(a) * 2 + 1", "$a 2 [*] 1 [+]"},
        {"x contain \"ell\"", "$x \"ell\" [contain]"},
        {"1 = 2 = 3", "1 2 [=] 3 [=]"},
        {"a !=$ b", "$a $b [!=$]"},
        {"7 % 2 / 3", "7 2 [%] 3 [/]"},
    };
    for (const auto& c : cases) EXPECT_EQ(postfix(c.expr), c.postfix) << c.expr;
}

TEST(Parser, OperandForms) {
    const struct {
        const char* expr;
        const char* postfix;
    } cases[] = {
        {"Left(name, 3) & \"...\"", "$Left(name, 3) \"...\" [&]"},
        {"f(g(1), (2))", "$f(g(1), (2))"},
        {"Len(\"a \"\"q\"\"\")", "$Len(\"a \"\"q\"\"\")"},
        {"form.x + 1", "$form.x 1 [+]"},
        {"list[i + 1]", "$list[i + 1]"},
        {"#a# + 1", "$#a# 1 [+]"},
        {"12.5 * .5", "12.5 .5 [*]"},
        {"x #", "$x"},
    };
    for (const auto& c : cases) EXPECT_EQ(postfix(c.expr), c.postfix) << c.expr;
}

TEST(Parser, SyntaxErrors) {
    const char* bad[] = {"",     "1 +",     "(1",    "a b",    ")",       "Left(a",  "list[1",
                         "1 = = 2", "--3",  "1 )",   "x # y",  "SELECT",  "a.",     "()",
                         "1 2",  "a > b",   "a.(b)", "x #abc"};
    for (const char* e : bad) EXPECT_FALSE(CheckExpression(e)) << e;
    const char* good[] = {"1", "a eq b", "\"s\"", "NOT x", "- x", "a gt b OR c lt d", "f()"};
    for (const char* e : good) EXPECT_TRUE(CheckExpression(e)) << e;
}

TEST(Parser, DepthIsBoundedByTheOpStack) {
    auto nested = [](size_t depth) {
        return std::string(depth, '(') + "1" + std::string(depth, ')');
    };
    EXPECT_TRUE(CheckExpression(nested(200)));
    EXPECT_FALSE(CheckExpression(nested(300)));
    EXPECT_FALSE(CheckExpression(std::string(200000, '(')));  // hostile input: fails, no crash
    EXPECT_FALSE(CheckExpression(std::string(100000, '!') + "1"));

    // Long flat chains reduce as they go and stay within the stack.
    std::string sum = "1", ors = "a";
    for (int i = 0; i < 5000; ++i) {
        sum += "+1";
        ors += " OR a";
    }
    EXPECT_TRUE(CheckExpression(sum));
    EXPECT_TRUE(CheckExpression(ors));
    // A right-leaning chain holds every operator: 1 ^ (... pushes one pair per level.
    std::string power = "1";
    for (int i = 0; i < 200; ++i) power += " + 2 * 3 ^ -(4";
    power += std::string(200, ')');
    EXPECT_FALSE(CheckExpression(power));
}

std::string g_sink;
void capture(std::string_view m) { g_sink += m; }

bool only_len(std::string_view name) { return EqualsNoCase(name, "len"); }

TEST(Parser, CheckModeValidatesFunctionAndArrayNames) {
    SetCheckMessageSink(capture);
    SetCheckFunctionNames(only_len);
    g_sink.clear();
    EXPECT_TRUE(CheckExpression("Len(x) + LEN(\"d\")", true));
    EXPECT_FALSE(CheckExpression("Foo(1)", true));
    EXPECT_EQ(g_sink, "Illegal function name: Foo\n");
    g_sink.clear();
    EXPECT_FALSE(CheckExpression("Len(1) + WeekDay(x)", true));
    EXPECT_EQ(g_sink, "Illegal function name: WeekDay\n");
    EXPECT_TRUE(CheckExpression("WeekDay(x)", false));
    SetCheckFunctionNames(nullptr);
    EXPECT_FALSE(CheckExpression("Len(x)", true));
    EXPECT_FALSE(CheckExpression("12abc[1]", true));
    EXPECT_TRUE(CheckExpression("12abc[1]", false));
    SetCheckMessageSink(nullptr);
}

TEST(Parser, ComparisonCodes) {
    const struct {
        const char* op;
        int code;
    } cases[] = {{"=", 1},  {"EQ", 1},   {"gt", 2},  {"Lt", 3},       {"!=", 4},          {"ne", 4},
                 {"gte", 5}, {"lte", 6}, {"?", 7},   {"contain", 7},  {"!?", 8},          {"NotContain", 8},
                 {"=$", 11}, {"eqs", 11}, {"!=$", 41}, {"nes", 41},   {"<", 0},           {"==", 0}};
    for (const auto& c : cases) EXPECT_EQ(ComparisonCode(c.op), c.code) << c.op;
}

}  // namespace
}  // namespace kavr
