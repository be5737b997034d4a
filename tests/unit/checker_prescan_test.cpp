// The checker's comment removal: the loader's rules, with the file's own
// layout kept around the comments.
#include "checker/check_prescan.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/core/request.h"
#include "expr/lexer.h"
#include "template/prescan.h"

namespace kavr {
namespace {

std::string engine_prescan(const std::string& in, int& rc) {
    Request r;
    Lexer lexer(in, kRefHashIsChar);
    std::string out;
    rc = PreScan(r, lexer, out);
    return out;
}

TEST(CheckerPreScan, RemovesWhatTheLoaderRemoves) {
    // Texts whose comments hold no line feed: the same text as the loader's.
    const char* texts[] = {
        "a <!-- <kavset x = 1> --> b",
        "<!DOCTYPE html>\n<p>",
        "x<!-- a -- b > c --->y",
        "x<!-- a -- > still -->y",
        "<!-x> <! - y> <!= z>",
        "<kavcookie name=a value=b> <  KAVLOCATION URL=\"x\">",
        "<<kavinclude template=x> <<!-- gone -->",
        "#name# stays ## #",
        "",
    };
    for (const char* t : texts) {
        std::string ours;
        int engine_rc;
        std::string theirs = engine_prescan(t, engine_rc);
        ASSERT_EQ(engine_rc, 1) << t;
        ASSERT_EQ(PreScanForCheck(t, ours), 1) << t;
        EXPECT_EQ(ours, theirs) << t;
    }
}

TEST(CheckerPreScan, KeepsTheLinesOfTheFile) {
    std::string out;
    ASSERT_EQ(PreScanForCheck("one\n  <!-- two\nthree -->four\nfive", out), 1);
    EXPECT_EQ(out, "one\n\nfour\nfive");
    // Runs of white space and long words are kept whole, as in the file.
    std::string spaces(300, ' '), word(2000, 'w');
    ASSERT_EQ(PreScanForCheck("a" + spaces + word + "\n", out), 1);
    EXPECT_EQ(out, "a" + spaces + word + "\n");
    // So is the white space after the last token.
    ASSERT_EQ(PreScanForCheck("x  \n\n", out), 1);
    EXPECT_EQ(out, "x  \n\n");
}

TEST(CheckerPreScan, FailsWhereTheLoaderFails) {
    for (const char* t : {"text <", "text < ", "text <!", "text <!-", "text <!-- never closed", "<!-- a -- b >"}) {
        std::string ours;
        int engine_rc;
        engine_prescan(t, engine_rc);
        EXPECT_EQ(engine_rc, 0) << t;
        EXPECT_EQ(PreScanForCheck(t, ours), 0) << t;
    }
}

}  // namespace
}  // namespace kavr
