#include <gtest/gtest.h>

#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

struct FmtCase {
    const char* expr;
    const char* expected;  // "FAIL" when the call must fail
};

void run(const FmtCase* begin, const FmtCase* end) {
    test::ExprEnv env;
    env.set("word", "abc");
    env.set("hashmask", "#,##0");
    for (const FmtCase* c = begin; c != end; ++c) EXPECT_EQ(env.eval(c->expr), c->expected) << c->expr;
}

#define RUN(cases) run(std::begin(cases), std::end(cases))

TEST(NumberFormatFunctions, SeparatorsAndAmounts) {
    const FmtCase cases[] = {
        {"#NumberFormat(1234567)#", "1,234,567"},   {"#NumberFormat(1234.5)#", "1,234.5"},
        {"#NumberFormat(1234.567)#", "1,234.57"},   {"#NumberFormat(12)#", "12"},
        {"#NumberFormat(999.999)#", "1,000.00"},    {"#NumberFormat(12.)#", "12"},
        {"#NumberFormat(-1234.5)#", "-1,234.5"},    {"#NumberFormat(-0.5)#", "-0.5"},
        {"#NumberFormat(-1000000)#", "-1,000,000"}, {"#NumberFormat(word)#", "FAIL"},
        {"#NumberFormat(\"\")#", "FAIL"},           {"#NumberFormat(5, \"000\")#", "005"},
        {"#NumberFormat(99999999999999999999)#", "9,223,372,036,854,775,807"},
        {"#DecimalFormat(1234567.891)#", "1,234,567.891"},
        {"#DecimalFormat(123)#", "123"},            {"#DecimalFormat(-1234)#", "-1,234"},
        {"#DecimalFormat(\"0001234\")#", "0,001,234"}, {"#DecimalFormat(word)#", "FAIL"},
        {"#DollarFormat(1234.5)#", "$1,234.50"},    {"#DollarFormat(0.125)#", "$0.13"},
        {"#DollarFormat(7)#", "$7.00"},             {"#DollarFormat(-1234.5)#", "$(1,234.50)"},
        {"#DollarFormat(-0.001)#", "$0.00"},        {"#DollarFormat(word)#", "FAIL"},
        {"#DollarFormat(1234567.891)#", "$1,234,567.89"},
        {"#YesNoFormat(2)#", "Yes"},                {"#YesNoFormat(0)#", "No"},
        {"#YesNoFormat(0.5)#", "No"},               {"#YesNoFormat(-1)#", "Yes"},
        {"#YesNoFormat(word)#", "FAIL"},
    };
    RUN(cases);
}

TEST(NumberFormatFunctions, NamedFormats) {
    const FmtCase cases[] = {
        {"#Format(0.5, \"Percent\")#", "50.00%"},
        {"#Format(3.14159, \"Fixed\")#", "3.14"},
        {"#Format(1234567, \"Standard\")#", "1,234,567"},
        {"#Format(12.7, \"Discard Decimal\")#", "12"},
        {"#Format(-12.7, \"discard decimal\")#", "-12"},
        {"#Format(1234.5, \"Currency\")#", "$1,234.50"},
        {"#Format(2, \"Yes/No\")#", "Yes"},
        {"#Format(0, \"True/False\")#", "False"},
        {"#Format(1, \"ON/OFF\")#", "On"},
        {"#Format(0012.500, \"General Number\")#", "12.5"},
        {"#Format(0012.500)#", "12.5"},
        {"#Format(12.000)#", "12.0"},
        {"#Format(007)#", "7"},
        {"#Format(00.5)#", "0.5"},
        {"#Format(000)#", "0"},
        {"#Format(word)#", "abc"},
        {"#Format(5, \"\")#", "5"},
        {"#Format(12345, \"Scientific\")#", "1.00E+04"},
        {"#Format(0.00123, \"Scientific\")#", "1.23E-03"},
        {"#Format(-250.0, \"Scientific\")#", "-2.50E+02"},
        {"#Format(word, \"Percent\")#", "FAIL"},
        {"#Format(word, \"Scientific\")#", "FAIL"},
    };
    RUN(cases);
}

TEST(NumberFormatFunctions, PictureMasks) {
    const FmtCase cases[] = {
        {"#Format(5, \"000\")#", "005"},
        {"#Format(12345, \"0\")#", "12345"},
        {"#Format(5, \"??0.0\")#", "5.0"},
        {"#Format(1234, hashmask)#", "###1234"},  // "#" is an ordinary mask character
        {"#Format(5, \"0,000\")#", "0,005"},
        {"#Format(1234567, \"?,??0\")#", "1234,567"},
        {"#Format(1234, \"0,000\")#", "1,234"},
        {"#Format(12.5, \"0\")#", "13"},
        {"#Format(12.5, \"0.\")#", "13."},
        {"#Format(3.14159, \"0.0??\")#", "3.142"},
        {"#Format(3.1, \"0.0??\")#", "3.100"},
        {"#Format(0.25, \"0%\")#", "25%"},
        {"#Format(7, \"0%\")#", "700%"},
        {"#Format(-5, \"$0.00\")#", "-$5.00"},
        {"#Format(42, \"(000)\")#", "(042)"},
        {"#Format(.5, \"?.00\")#", "0.50"},
    };
    RUN(cases);
}

}  // namespace
}  // namespace kavr
