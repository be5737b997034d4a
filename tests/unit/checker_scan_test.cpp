// The checker's scan as a whole: what counts as a tag, the line echo and
// line numbers, results, files, and texts that try to hurt it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "checker/template_checker.h"
#include "tests/unit/checker_test_util.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

using test::check_text;

TEST(CheckerScan, TextsWithoutProblemsWriteNothing) {
    const char* texts[] = {
        "",
        "plain <b>html</b> with #name# and a lone # sign",
        "<!DOCTYPE html><td bgcolor=\"#ffffff\">#a# ## #</td>",
        "</kavif> </kavwhile x> </KAVPRINT>",                      // stray closing tags at the top
        "< kavbeep > <KAVSET X = 1> <kavif #a#>x</kavif>",          // blanks and capitals
        "<<kavfoo> <#name#> <#list[2]#> <# not a tag # here",       // "<<" hides what follows
        "<kavif #a#>\n<kavif #b#>\n</kavif>\n<kavelse>\n</kavif>",  // nested, with else
    };
    for (const char* t : texts) {
        auto r = check_text(t);
        EXPECT_TRUE(r.ok) << t;
        EXPECT_EQ(r.text, "") << t;
    }
}

TEST(CheckerScan, LessThanAsTheLastTokenFails) {
    auto r = check_text("line one\nline two <");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "line two <\nError! Unbalancing <, missing >\n");
    r = check_text("<   \n  ");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "<   \nError! Unbalancing <, missing >\n");
    // "<#" with no "#" anywhere after it: the reference never ends, so no
    // token follows the "<".
    r = check_text("a\n<#name and more\ntext");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "<#name and more\nError! Unbalancing <, missing >\n");
    r = check_text("<kavset a = 1> <#");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, "<kavset a = 1> <#\nError! Unbalancing <, missing >\n");
    // Inside a block the text still ends: that is the block's problem.
    r = check_text("<kavif #a#>\n<");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.text, "Error: kavIf and /kavIf are unbalanced\n");
}

TEST(CheckerScan, EachLineIsEchoedOnceBeforeItsFirstMessage) {
    auto r = check_text(
        "ok line\n"
        "<kavfoo> <kavbar>\n"
        "<kavset x 1>\n"
        "\n"
        "   <KAVBAZ>\n");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.text,
              "<kavfoo> <kavbar>\n"
              "Error! Wrong kavTag: kavfoo\n"
              "Error! Wrong kavTag: kavbar\n"
              "<kavset x 1>\n"
              "3: No = in kavSet\n"
              "   <KAVBAZ>\n"
              "Error! Wrong kavTag: KAVBAZ\n");
}

TEST(CheckerScan, LineNumbersFollowTheTokenThatFailed) {
    // The tag starts on line 1, its bad value sits on line 3.
    auto r = check_text("<kavdbquery\n  name=q1\n  maxrows=#(#\n  datasource=#)#>\n");
    EXPECT_EQ(r.text,
              "  maxrows=#(#\n"
              "3: Syntax error with the MaxRows parameter in kavQuery\n"
              "  datasource=#)#>\n"
              "4: Syntax error with the DataSource parameter in kavQuery\n");
    // At the end of the text the line is that of the last token read.
    r = check_text("<kavprint query=q>\n#a#\n\n\n");
    EXPECT_EQ(r.text, "#a#\n2: Unbalanced kavprint and /kavprint\n");
}

TEST(CheckerScan, CarriageReturnsAreNotEchoed) {
    auto r = check_text("a\r\n<kavfoo>\r\nb\r\n");
    EXPECT_EQ(r.text, "<kavfoo>\nError! Wrong kavTag: kavfoo\n");
}

TEST(CheckerScan, UnbalancedIfAndWhileAreWrittenWithoutEcho) {
    EXPECT_EQ(check_text("<kavif #a#>\nbody").text, "Error: kavIf and /kavIf are unbalanced\n");
    EXPECT_EQ(check_text("<kavwhile #a#>\nbody").text, "Error: kavWhile and /kavWhile are unbalanced\n");
    // Other blocks echo their last line.
    EXPECT_EQ(check_text("<kavfor i = 1 to 2>\nbody").text, "body\n2: kavFor and /kavFor are unbalanced\n");
}

TEST(CheckerScan, AFailureInsideALoopEndsTheLoopWithoutAMessage) {
    // The kavif's own message, nothing for the loop around it.
    EXPECT_EQ(check_text("<kavwhile #a#>\n<kavif #b#>\n</kavwhile>").text,
              "Error: kavIf and /kavIf are unbalanced\n");
    // kavabort ends the walk of the loop: its closing tag is then a stray
    // closing tag, and the wrong tag after it is found at the top.
    EXPECT_EQ(check_text("<kavfor i = 1 to 2><kavabort></kavfor><kavx>").text,
              "<kavfor i = 1 to 2><kavabort></kavfor><kavx>\nError! Wrong kavTag: kavx\n");
    // A kavif body goes on after a failed nested check.
    EXPECT_EQ(check_text("<kavif #a#><kavabort><kavx></kavif>").text,
              "<kavif #a#><kavabort><kavx></kavif>\nError! Wrong kavTag: kavx\n");
}

TEST(CheckerScan, ParserNotesGoToTheReportAfterTheEcho) {
    auto r = check_text("x\n<kavset a = #Nope(1)#>\n");
    EXPECT_EQ(r.text,
              "<kavset a = #Nope(1)#>\n"
              "Illegal function name: Nope\n"
              "2: Syntax error with the expression after = in kavSet\n");
    // A reference written as a tag is checked the same way.
    EXPECT_EQ(check_text("<#Nope(2)#>").text, "<#Nope(2)#>\nIllegal function name: Nope\n");
    // References inside quoted values are what the expander evaluates.
    EXPECT_EQ(check_text("<kavset b = \"one #Left(x# two\">").text,
              "<kavset b = \"one #Left(x# two\">\n1: Syntax error with the expression after = in kavSet\n");
}

TEST(CheckerScan, WithoutAnOutputOnlyTheResultComesBack) {
    TemplateChecker checker;
    EXPECT_TRUE(checker.CheckText("<kavset a = #Nope(1)#> <kavfoo> <kavif #a#>"));
    EXPECT_FALSE(checker.CheckText("<kavfoo> <"));
    EXPECT_EQ(checker.failure, kCheckDanglingLt);
}

TEST(CheckerScan, BlocksNestedWithoutEndAreCutOff) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += i % 2 ? "<kavwhile #a#>" : "<kavif #a#>";
    auto r = check_text(text);
    EXPECT_TRUE(r.ok);
    EXPECT_NE(r.text.find("Error: Abnormal ending of "), std::string::npos);
    // Blocks of one kind count the same way: 256 levels are fine, the
    // 257th is too deep.
    auto nested_ifs = [](int n) {
        std::string t;
        for (int i = 0; i < n; ++i) t += "<kavif #a#>\n";
        for (int i = 0; i < n; ++i) t += "</kavif>";
        return t;
    };
    EXPECT_EQ(check_text(nested_ifs(256)).text, "");
    EXPECT_EQ(check_text(nested_ifs(257)).text, "<kavif #a#>\nError: Abnormal ending of kavif\n");
    // The count goes down again as blocks close.
    std::string siblings;
    for (int i = 0; i < 1000; ++i) siblings += "<kavwhile #a#><kavif #b#></kavif></kavwhile>";
    EXPECT_EQ(check_text(siblings).text, "");
}

TEST(CheckerScan, HostileTextsEndWithoutHarm) {
    // Pieces of tags shuffled at random: whatever the order, the scan ends,
    // gives the same report twice, and fails only on a trailing "<" or on
    // a "<" before the last "#" of the text.
    const std::vector<std::string> pieces = {
        "<", ">", "</", "kavif", "kavwhile", "kavfor", "kavselectcase", "kavcase", "kavcaseelse", "kavprint",
        "kavmail", "kavprinttable", "kavprinttablecol", "kavdbtransaction", "kavset", "kavcookie", "kavlocation",
        "kavelse", "kavelseif", "=", "#", "##", "#a#", "#(#", "\"", "\"x\"", "name", "to", "step", "1", "\n",
        " ", "<!--", "-->", "kavsocketopen", "handle", "kavdbquery", "sql", "(", ")", "[", "]", "kavabort"};
    std::mt19937 rng(20240611);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        int n = 1 + static_cast<int>(rng() % 200);
        for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
        auto r = check_text(text, round % 2 == 0);
        auto again = check_text(text, round % 2 == 0);
        EXPECT_EQ(r.text, again.text);
        if (!r.ok) {
            size_t last = text.find_last_not_of(" \n");
            size_t hash = text.rfind('#');
            size_t before_hash = hash == std::string::npos || hash == 0 ? std::string::npos
                                                                        : text.find_last_not_of(" \n", hash - 1);
            bool trailing_lt = last != std::string::npos && text[last] == '<';
            bool open_reference = before_hash != std::string::npos && text[before_hash] == '<';
            EXPECT_TRUE(trailing_lt || open_reference) << text;
        }
    }
}

TEST(CheckerFile, ReadsThroughTheCommentRemovalAndKeepsTheFilesLines) {
    test::TestSite site;
    site.write("page.kvl",
               "<html>\n"
               "<!-- three\n"
               "     lines of <kavfoo> comment\n"
               "-->\n"
               "<p>x</p> <!-- short --> <kavbar>\n");
    std::string report;
    TemplateChecker checker;
    checker.output.write = test::append_report;
    checker.output.context = &report;
    EXPECT_TRUE(checker.CheckFile(site.path("page.kvl")));
    EXPECT_EQ(report, "<p>x</p> <kavbar>\nError! Wrong kavTag: kavbar\n");
}

TEST(CheckerFile, FilesThatCannotBeCheckedSayWhy) {
    test::TestSite site;
    std::string report;
    TemplateChecker checker;
    checker.output.write = test::append_report;
    checker.output.context = &report;

    EXPECT_FALSE(checker.CheckFile(site.path("missing.kvl")));
    EXPECT_EQ(checker.failure, kCheckOpenFailed);
    EXPECT_FALSE(checker.CheckFile(site.dir()));  // a directory is no template
    EXPECT_EQ(report, "Error: Open Template Failed\nError: Open Template Failed\n");

    report.clear();
    site.write("open.kvl", "<kavfoo> <!-- never closed");
    EXPECT_FALSE(checker.CheckFile(site.path("open.kvl")));
    EXPECT_EQ(checker.failure, kCheckPreScan);
    EXPECT_EQ(report, "");

    site.write("long.kvl", std::string(100, 'x') + " <kavfoo>");
    checker.max_text = 50;
    EXPECT_FALSE(checker.CheckFile(site.path("long.kvl")));
    EXPECT_EQ(checker.failure, kCheckTooLong);
    EXPECT_EQ(report, "");
    checker.max_text = 0;
    EXPECT_TRUE(checker.CheckFile(site.path("long.kvl")));
    EXPECT_EQ(checker.failure, kCheckPassed);
}

}  // namespace
}  // namespace kavr
