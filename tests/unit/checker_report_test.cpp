// What the checker reports beyond single tags: references in the text of
// print and mail bodies, tags the text ends inside, and the laid-out
// report with where an unclosed construct opened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/template_checker.h"
#include "tests/unit/checker_test_util.h"

namespace kavr {
namespace {

using test::check_text;

TEST(CheckerReport, ReferencesInPrintAndMailBodiesAreChecked) {
    struct Case {
        const char* text;
        const char* report;
    } cases[] = {
        {"<kavprint>#HTMLEditFormat(name)# ## #S.recordcount# #a[1]#</kavprint>", ""},
        {"<kavprint query=q>\n#HTMLEditFormt(name)#\n</kavprint>",
         "#HTMLEditFormt(name)#\nIllegal function name: HTMLEditFormt\n"
         "2: Syntax error with the reference #HTMLEditFormt(name)# in kavprint\n"},
        {"<KAVMAIL to=a>Dear #Left(name, 2#</KAVMAIL>",
         "<KAVMAIL to=a>Dear #Left(name, 2#</KAVMAIL>\n1: Syntax error with the reference #Left(name, 2# in KAVMAIL\n"},
        // A colour written with one "#": the engine reads a reference up
        // to the next "#", and the last one would run past the closing tag.
        {"<kavprint>\n<td bgcolor=\"#fff\">#name#</td>\n</kavprint>\n",
         "<td bgcolor=\"#fff\">#name#</td>\n2: Syntax error with the reference #fff\"># in kavprint\n"
         "2: Unbalanced # in kavprint\n"},
        {"<kavprint>\n<td bgcolor=\"##fff\">#name#</td>\n</kavprint>\n", ""},
        {"<kavprint>price in #</kavprint>", "<kavprint>price in #</kavprint>\n1: Unbalanced # in kavprint\n"},
        // The text of blocks inside a body is expanded with it.
        {"<kavprint><kavif #a#>#Foo()#</kavif></kavprint>",
         "<kavprint><kavif #a#>#Foo()#</kavif></kavprint>\nIllegal function name: Foo\n"
         "1: Syntax error with the reference #Foo()# in kavprint\n"},
        {"<kavmail to=a><kavprint>#(#</kavprint></kavmail>",
         "<kavmail to=a><kavprint>#(#</kavprint></kavmail>\n1: Syntax error with the reference #(# in kavprint\n"},
        // Plain text and other bodies keep "#" as text.
        {"#Foo(# <kavif #a#>#x</kavif> <kavwhile #a#>#(#</kavwhile>", ""},
        {"<kavprinttable query=q>#(#</kavprinttable>", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(check_text(c.text).text, c.report) << c.text;
}

struct Laid {
    int line;
    std::string body, line_text;
    bool note;
};

void collect(void* context, const CheckMessage& m) {
    static_cast<std::vector<Laid>*>(context)->push_back(
        Laid{m.line, std::string(m.body), std::string(m.line_text), m.note});
}

std::vector<Laid> laid_out(std::string_view text, int* problems = nullptr) {
    std::vector<Laid> out;
    TemplateChecker checker;
    checker.output.message = collect;
    checker.output.context = &out;
    checker.CheckText(text);
    if (problems) *problems = checker.problems;
    return out;
}

std::string show(const std::vector<Laid>& v) {
    std::string s;
    for (const Laid& m : v) s += std::to_string(m.line) + (m.note ? " note " : " ") + m.body + " | " + m.line_text + "\n";
    return s;
}

TEST(CheckerReport, LaidOutMessagesCarryTheirLineAndNotesWhereABlockOpened) {
    int problems = 0;
    auto v = laid_out("<html>\n<kavfor i = 1 to 2>\n<kavif #a#>\n</kavif>\nend", &problems);
    EXPECT_EQ(show(v),
              "5 kavFor and /kavFor are unbalanced | end\n"
              "2 note note: kavfor opened here | <kavfor i = 1 to 2>\n");
    EXPECT_EQ(problems, 1);
    // Messages without a number of their own get the line too; every
    // unclosed block of the walk points at its opening.
    EXPECT_EQ(show(laid_out("<kavif #a#>\n<kavif #b#>\n<kavfoo>")),
              "3 Error! Wrong kavTag: kavfoo | <kavfoo>\n"
              "3 Error: kavIf and /kavIf are unbalanced | <kavfoo>\n"
              "1 note note: kavif opened here | <kavif #a#>\n"
              "2 note note: kavif opened here | <kavif #b#>\n");
    // A closed block leaves no note behind.
    EXPECT_EQ(show(laid_out("<kavwhile #a#></kavwhile>\n<kavprint>\nx")),
              "3 Unbalanced kavprint and /kavprint | x\n2 note note: kavprint opened here | <kavprint>\n");
}

TEST(CheckerReport, AQuotedTextThatRunsOnIsPointedAt) {
    EXPECT_EQ(show(laid_out("<p>\n<kavif \"#a#>\nyes\n\" x></kavif>")),
              "4 Missing > in kavIf | \" x></kavif>\n"
              "2 note note: the quoted text that opens here ends on line 4 | <kavif \"#a#>\n");
    EXPECT_EQ(show(laid_out("<kavprint to=a query=\"q>\nbody")),
              "1 No parameter after = in kavprint | <kavprint to=a query=\"q>\n"
              "1 note note: the quoted text that opens here is never closed | <kavprint to=a query=\"q>\n");
    // A quoted text of an earlier tag is not blamed.
    EXPECT_EQ(show(laid_out("<kavset a = \"x\ny\">\n<kavfoo>")), "3 Error! Wrong kavTag: kavfoo | <kavfoo>\n");
    // The plain report never writes notes.
    EXPECT_EQ(check_text("<kavif \"#a#>\nyes\n\" x></kavif>").text, "\" x></kavif>\n3: Missing > in kavIf\n");
}

}  // namespace
}  // namespace kavr
