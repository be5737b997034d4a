// The checker and the engine read templates with the same lexer and the
// same expression check: a piece the checker passes runs without a syntax
// error, and a piece the engine cannot parse draws a message.
#include <gtest/gtest.h>

#include <string>

#include "expr/functions.h"
#include "expr/lexer.h"
#include "template/interpreter.h"
#include "template/register.h"
#include "tests/unit/checker_test_util.h"
#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

struct EngineRun {
    int rc;
    std::string errors;  // error codes written to the page
};

EngineRun run_engine(const std::string& text) {
    test::ExprEnv env;
    RegisterTemplateModule();
    env.set("a", "1");
    env.set("b", "2");
    env.set("name", "ann");
    Lexer lexer(text, kRefHashIsChar);
    EngineRun run;
    run.rc = Interpret(lexer, env.request, true);
    run.errors = env.errors();
    return run;
}

TEST(CheckerEngineAgreement, WhatPassesTheCheckerRuns) {
    const char* pieces[] = {
        "<kavset x = #a + 1#>",
        "<kavset s = \"v #a# and #b * 2# w\">",
        "<kavset #list[]# = \",p,q\"><kavset #list[a + 1]# = #name#>",
        "<kavif #a gt 0#>yes<kavelseif #b = 2#>two<kavelse>no</kavif>",
        "<kavif \"#a#\">quoted</kavif>",
        "<kavfor i = 1 to #b# step 1>#i#</kavfor>",
        "<kavwhile #a lt 0# NoOutput>never</kavwhile>",
        "<kavselectcase #a#><kavcase 1>one<kavcase \"x\">x<kavcaseelse>other</kavselectcase>",
        "<kavset y = #Left(\"abc\", 2) & UCase(name)#>",
        "<kavvarexistcheck Off><kavvarexistcheck On>",
    };
    for (const char* p : pieces) {
        auto report = test::check_text(p);
        ASSERT_EQ(report.text, "") << p;
        EngineRun run = run_engine(p);
        EXPECT_EQ(run.rc, 1) << p;
        EXPECT_EQ(run.errors, "") << p;
    }
}

TEST(CheckerEngineAgreement, WhatTheEngineCannotParseIsReported) {
    const char* pieces[] = {
        "<kavset x = #a +#>",
        "<kavset s = \"v #(a# w\">",
        "<kavif #(a#>y</kavif>",
        "<kavif #a lt 0#>y<kavelseif #b =#>z</kavif>",
        "<kavfor i = #1 +# to 3>x</kavfor>",
        "<kavfor i = 1 to #)#>x</kavfor>",
        "<kavwhile #a lt#>x</kavwhile>",
        "<kavselectcase #a +#><kavcase 1>one</kavselectcase>",
        "<kavselectcase #a#><kavcase #(#>x</kavselectcase>",
        "<kavset #z[1 +]# = 2>",
    };
    for (const char* p : pieces) {
        EngineRun run = run_engine(p);
        EXPECT_EQ(run.rc, 0) << p;
        EXPECT_NE(run.errors.find("11010"), std::string::npos) << p << " gave " << run.errors;
        EXPECT_NE(test::check_text(p).text, "") << p;
    }
}

TEST(CheckerEngineAgreement, TheCheckerKnowsEveryFunctionOfTheTable) {
    // Functions beyond the oldest list, and one registered just now: the
    // checker reads the engine's own table.
    RegisterFunction("TestOnlyFunction", [](FunctionCall& call) { return call.Result("t"); });
    const char* pieces[] = {
        "<kavset a = #UploadFile(\"f\")#>", "<kavset a = #WeekDay(\"1/2/99\")#>",
        "<kavset a = #Escape(name)#>",     "<kavset a = #KavGetConnection()#>",
        "<kavset a = #TestOnlyFunction(1)#>",
    };
    for (const char* p : pieces) EXPECT_EQ(test::check_text(p).text, "") << p;
    EXPECT_EQ(test::check_text("<kavset a = #TestOnlyFunctio(1)#>").text,
              "<kavset a = #TestOnlyFunctio(1)#>\nIllegal function name: TestOnlyFunctio\n"
              "1: Syntax error with the expression after = in kavSet\n");
    RegisterFunction("TestOnlyFunction", nullptr);
}

}  // namespace
}  // namespace kavr
