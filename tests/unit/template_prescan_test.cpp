#include "template/prescan.h"

#include <gtest/gtest.h>

#include "driver/core/request.h"
#include "expr/lexer.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

struct PreScanCase {
    const char* in;
    const char* out;
    bool buffered;
};

// The cleaned text and whether the response was switched to buffered.
int prescan(const std::string& in, std::string& out, bool& buffered, bool header_written = false) {
    Request r;
    r.out.header_written = header_written ? 1 : 0;
    Lexer lexer(in, kRefHashIsChar);
    int rc = PreScan(r, lexer, out);
    buffered = r.out.buffered != 0;
    return rc;
}

TEST(TemplatePreScan, CommentsVanishAndHeaderTagsBuffer) {
    const PreScanCase cases[] = {
        {"a <!-- <kavset x = 1> --> b", "a b", false},
        {"<!DOCTYPE html>\n<p>", "<!DOCTYPE html>\n<p>", false},
        {"x<!-- a -- b > c --->y", "xy", false},          // "--" then a word does not close
        {"x<!-- a -- > still -->y", "x still -->y", false},  // blanks between tokens count
        {"<!-x> <! - y>", "<!-x> <! - y>", false},         // not comments: kept as read
        {"<kavcookie name=a value=b>", "<kavcookie name=a value=b>", true},
        {"<  KAVLOCATION URL=\"x\">", "<  KAVLOCATION URL=\"x\">", true},
        {"<!-- <kavinclude template=x> -->plain", "plain", false},
        {"<<kavinclude template=x>", "<<kavinclude template=x>", true},
        {"#name# stays", "#name# stays", false},
        {"", "", false},
    };
    for (const PreScanCase& c : cases) {
        std::string out;
        bool buffered;
        ASSERT_EQ(prescan(c.in, out, buffered), 1) << c.in;
        EXPECT_EQ(out, c.out) << c.in;
        EXPECT_EQ(buffered, c.buffered) << c.in;
    }
}

TEST(TemplatePreScan, TextEndingInsideACommentOrAfterLessThanFails) {
    for (const char* in : {"text <", "text <!", "text <!-", "text <!-- never closed", "<!-- a -- b >"}) {
        std::string out;
        bool buffered;
        EXPECT_EQ(prescan(in, out, buffered), 0) << in;
    }
}

TEST(TemplatePreScan, HeaderAlreadyWrittenIsNotBufferedAgain) {
    std::string out;
    bool buffered;
    ASSERT_EQ(prescan("<kavcookie name=a value=b>", out, buffered, true), 1);
    EXPECT_FALSE(buffered);
}

TEST(TemplatePreScan, LexerLimitsApply) {
    std::string out;
    bool buffered;
    std::string spaces(300, ' ');
    std::string word(1500, 'w');
    ASSERT_EQ(prescan("a" + spaces + word, out, buffered), 1);
    EXPECT_EQ(out, "a" + std::string(199, ' ') + std::string(1023, 'w'));
}

// The line of a position in the cleaned text is the file's: comments and
// white space beyond the lexer's limit take line feeds with them.
TEST(TemplatePreScan, LineMarksKeepTheFilesLines) {
    test::TestSite site;
    std::string raw = "one\n<!-- two\nthree -->\n<kavif a>\n" + std::string(250, ' ') + "\n\n" +
                      "<kavset x>\n<!--a--><!--\n\n-->z <kavfor>";
    site.write("page.kvl", raw);
    Request r;
    std::string text;
    std::vector<LineMark> marks;
    ASSERT_EQ(PreScanFile(r, site.path("page.kvl"), text, &marks), 1);
    auto line_of = [&](const char* what) { return LineOfPosition(text, marks, text.find(what)); };
    EXPECT_EQ(line_of("one"), 1);
    EXPECT_EQ(line_of("<kavif"), 4);
    EXPECT_EQ(line_of("<kavset"), 7);
    EXPECT_EQ(line_of("z"), 10);
    EXPECT_EQ(line_of("<kavfor"), 10);
    // Without anything removed there are no marks.
    site.write("plain.kvl", "a\n<kavif x>\n\nb");
    ASSERT_EQ(PreScanFile(r, site.path("plain.kvl"), text, &marks), 1);
    EXPECT_TRUE(marks.empty());
    EXPECT_EQ(LineOfPosition(text, marks, text.find('b')), 4);
}

}  // namespace
}  // namespace kavr
