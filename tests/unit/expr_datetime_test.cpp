#include <gtest/gtest.h>

#include <cstdio>

#include "platform/clock.h"
#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

struct DateCase {
    const char* expr;
    const char* expected;  // "FAIL" when the call must fail
};

void run(const DateCase* begin, const DateCase* end) {
    test::ExprEnv env;
    for (const DateCase* c = begin; c != end; ++c) EXPECT_EQ(env.eval(c->expr), c->expected) << c->expr;
}

#define RUN(cases) run(std::begin(cases), std::end(cases))

TEST(DateFunctions, FormatsOfDatesAndTimes) {
    const DateCase cases[] = {
        {"#DateFormat(\"1996-07-15 10:30:00\")#", "15/07/96"},
        {"#DateFormat(\"2001-01-02\")#", "02/01/101"},
        {"#DateFormat(\"1996/7/5\")#", "05/07/96"},
        {"#DateFormat(\"July 15\")#", "FAIL"},
        {"#DateFormat(\"-2147483648-1-1\")#", "FAIL"},
        {"#TimeFormat(\"1996-07-15 13:05:00\")#", "01:05 PM"},
        {"#TimeFormat(\"12:30\")#", "12:30 AM"},
        {"#TimeFormat(\"10:05:59\")#", "10:05 AM"},
        {"#TimeFormat(\"00:30\")#", "00:30 AM"},
        {"#TimeFormat(\"23:15\")#", "11:15 PM"},
        {"#TimeFormat(\"noon\")#", "FAIL"},
    };
    RUN(cases);
}

TEST(DateFunctions, DateDiffAndWeekDay) {
    const DateCase cases[] = {
        {"#DateDiff(\"d\", \"1996-01-31\", \"1996-02-01\")#", "1"},
        {"#DateDiff(\"h\", \"1996-07-15 10:00:00\", \"1996-07-15 08:30:00\")#", "-1"},
        {"#DateDiff(\"N\", \"1996-07-15 10:00:00\", \"1996-07-15 08:30:00\")#", "-90"},
        {"#DateDiff(\"s\", \"1996-07-15 10:00:00\", \"1996-07-15 10:00:07\")#", "7"},
        {"#DateDiff(\"d\", \"1996-01-01 00:00:00\", \"1997-01-01 00:00:00\")#", "366"},
        {"#DateDiff(\"s\", \"10:00:00\", \"10:01\")#", "60"},
        {"#DateDiff(\"x\", \"1996-01-31\", \"1996-02-01\")#", "FAIL"},
        {"#DateDiff(\"d\", \"yesterday\", \"1996-02-01\")#", "FAIL"},
        {"#DateDiff(\"d\", \"1996-01-31 10-00\", \"1996-02-01\")#", "FAIL"},
        {"#WeekDay(\"July 15, 1996\")#", "2"},
        {"#WeekDay(\"january 1, 2000\")#", "7"},
        {"#WeekDay(\"Jul 15, 1996\")#", "FAIL"},  // only the full name
        {"#WeekDay(12)#", ""},
    };
    RUN(cases);
}

TEST(DateFunctions, IsDate) {
    const DateCase cases[] = {
        {"#IsDate(\"7/15/96\")#", "1"},       {"#IsDate(\"15/7/96\")#", "1"},
        {"#IsDate(\"2/29/96\")#", "1"},       {"#IsDate(\"10:30 PM\")#", "1"},
        {"#IsDate(\"Jan. 5, 1996 10:30\")#", "1"}, {"#IsDate(\"Feb 29, 1900\")#", "1"},
        {"#IsDate(\"1996-07-15\")#", "1"},    {"#IsDate(\"1996-07-15 10:30:59\")#", "1"},
        {"#IsDate(\"5 sept 1996\")#", "1"},   {"#IsDate(\"ember 5, 1996\")#", "1"},
        {"#IsDate(\"Jan 96\")#", "1"},        {"#IsDate(\"7/15\")#", "1"},
        {"#IsDate(\"2/30/96\")#", "0"},       {"#IsDate(\"25:00\")#", "0"},
        {"#IsDate(\"5 PM\")#", "0"},          {"#IsDate(\"Ma 5, 1996\")#", "0"},
        {"#IsDate(\"Jan Feb 1996\")#", "0"},  {"#IsDate(\"10:60\")#", "0"},
        {"#IsDate(\"10:30:61\")#", "0"},      {"#IsDate(\"10:30 XM\")#", "0"},
        {"#IsDate(\"\")#", "0"},              {"#IsDate(\"hello\")#", "0"},
        {"#IsDate(\"1/2/3/4\")#", "0"},       {"#IsDate(\"2/29/97 10.30\")#", "0"},
    };
    RUN(cases);
}

// True when text has the shape of pattern, where "9" stands for any digit.
bool shaped(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '9' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}

TEST(DateFunctions, CurrentDateAndTime) {
    test::ExprEnv env;
    platform::LocalTime before = platform::local_time();
    std::string dt = env.eval("#CurrentDateTime#");
    std::string d = env.eval("#CurrentDate()#");
    std::string t = env.eval("#currenttime(ignored)#");
    platform::LocalTime after = platform::local_time();
    EXPECT_TRUE(shaped(dt, "9999-99-99 99:99:99")) << dt;
    EXPECT_TRUE(shaped(t, "99:99:99")) << t;
    char b[16], a[16];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d", before.year, before.month, before.day);
    std::snprintf(a, sizeof a, "%04d-%02d-%02d", after.year, after.month, after.day);
    EXPECT_TRUE(d == b || d == a) << d;
}

}  // namespace
}  // namespace kavr
