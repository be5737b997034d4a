#include "template/tag_table.h"

#include <gtest/gtest.h>

#include "driver/core/request.h"
#include "expr/lexer.h"
#include "template/interpreter.h"

namespace kavr {
namespace {

// Test rows, under names no real tag uses.
int write_marker(TagCall& call) {
    std::string token;
    call.lexer.NextToken(token);  // ">"
    call.request.out.write(call.output ? "[on]" : "[off]");
    return 1;
}
int read_reference(TagCall& call) {
    // Writes the class of the first item: a reference only outside text mode.
    std::string item, token;
    int cls = call.lexer.ReadItem(false, item);
    call.lexer.NextToken(token);
    call.request.out.write(cls == kTokReference ? "{ref:" + item + "}" : "{text:" + item + "}");
    return 1;
}
int leave(TagCall& call) {
    std::string token;
    call.lexer.NextToken(token);
    return -1;
}
int fail(TagCall&) { return 0; }
int close_marker(TagCall& call) {
    std::string token;
    call.lexer.NextToken(token);
    call.request.out.write("{closed}");
    return 1;
}

void register_test_rows() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterTag("kavtestmark", write_marker);
    RegisterTag("kavtestref", read_reference);
    RegisterTag("kavtesttextref", read_reference, kTagTextMode);
    RegisterTag("kavtestleave", leave);
    RegisterTag("kavtestexit", leave, kTagPassesExit);
    RegisterTag("kavtestend", write_marker, kTagEndsText);
    RegisterTag("kavtestfail", fail);
    RegisterTag("/kavtestblock", close_marker);
}

std::string run(const std::string& text, bool output, int& rc) {
    register_test_rows();
    Request r;
    r.out.set_buffered(true);
    Lexer lexer(text, kRefHashIsChar);
    rc = Interpret(lexer, r, output);
    std::string all;
    for (const std::string& b : r.out.blocks()) all += b;
    return all;
}

TEST(TemplateTagTable, RowsAreFoundWithoutRegardToCase) {
    register_test_rows();
    const TagEntry* row = FindTag("KavTestMark");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->handler, &write_marker);
    EXPECT_EQ(FindTag("kavtestmark"), row);
    EXPECT_EQ(FindTag("kavtestmarks"), nullptr);
    EXPECT_NE(FindTag("/KAVTESTBLOCK"), nullptr);
}

TEST(TemplateTagTable, MalformedAndRepeatedRowsAreRefused) {
    register_test_rows();
    EXPECT_EQ(RegisterTag("KAVTESTMARK", fail), 0);  // the name has a row already
    EXPECT_EQ(FindTag("kavtestmark")->handler, &write_marker);
    EXPECT_EQ(RegisterTag("testtag", fail), 0);       // not a kav name
    EXPECT_EQ(RegisterTag("kav", fail), 0);
    EXPECT_EQ(RegisterTag("/", fail), 0);
    EXPECT_EQ(RegisterTag("kavtestnull", nullptr), 0);
    EXPECT_EQ(FindTag("kavtestnull"), nullptr);
}

struct InterpretCase {
    const char* text;
    const char* out;
    int rc;
};

TEST(TemplateInterpreter, TextTagsAndResults) {
    const InterpretCase cases[] = {
        {"plain #name# text", "plain #name# text", 1},
        {"a <kavtestmark> b", "a [on] b", 1},
        {"a <  KAVTESTMARK> b", "a [on] b", 1},
        {"<kavunknown x=1> and </kavif>", "<kavunknown x=1> and </kavif>", 1},
        {"<p>< / p></kavtestblock>", "<p>< / p>{closed}", 1},
        {"<kavtestref #x#><kavtesttextref #x#>", "{ref:#x#}{text:#}#>", 1},
        {"a<kavtestleave>b", "ab", 1},  // -1 from an ordinary row goes on
        {"a<kavtestexit>b", "a", -1},
        {"a<kavtestend>b", "a[on]", 1},
        {"a<kavtestfail>b", "a", 0},
        {"ends with <", "ends with ", 0},
        {"ends with </", "ends with ", 0},
        {"", "", 1},
    };
    for (const InterpretCase& c : cases) {
        int rc;
        EXPECT_EQ(run(c.text, true, rc), c.out) << c.text;
        EXPECT_EQ(rc, c.rc) << c.text;
    }
}

TEST(TemplateInterpreter, OutputOffWritesOnlyWhatTagsWrite) {
    int rc;
    EXPECT_EQ(run("text <kavtestmark> <b>more</b> <kavnone>", false, rc), "[off]");
    EXPECT_EQ(rc, 1);
}

}  // namespace
}  // namespace kavr
