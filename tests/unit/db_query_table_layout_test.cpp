// Layout pieces of kavprinttable that need no database: padding by visible
// length, table openings and cell openings.
#include <gtest/gtest.h>

#include "db/print_table.h"
#include "tests/unit/charset_scope.h"

namespace kavr {
namespace {

TEST(DbTableLayout, PaddingCountsTheVisibleTextOnly) {
    struct Row {
        std::string text;
        int width;
        ColumnAlign align;
        std::string padded;
    } rows[] = {
        {"42", 8, kAlignRight, "      42"},
        {"42", 8, kAlignLeft, "42      "},
        {"ab", 7, kAlignCenter, "  ab  "},  // (7 - 2) / 2 on each side
        {"<a href='x'>ab</a>", 4, kAlignLeft, "<a href='x'>ab</a>  "},
        {"<A HREF=x>ab</A>", 4, kAlignRight, "  <A HREF=x>ab</A>"},
        {"<b>ab</b>", 9, kAlignLeft, "<b>ab</b>"},  // only anchors are markup here
        {"toolong", 3, kAlignRight, "toolong"},
        {"x", -4, kAlignLeft, "x"},
    };
    for (const Row& r : rows) EXPECT_EQ(PadCell(r.text, r.width, r.align), r.padded) << r.text;
    EXPECT_EQ(VisibleLength("<a href='x'>ab</a>c"), 3u);
    EXPECT_EQ(VisibleLength("<abbr>"), 6u);
}

TEST(DbTableLayout, PaddingCountsCharactersOnAUtf8Site) {
    const std::string zoe = "Zo\xc3\xab", nihon = "<a href='x'>\xe6\x97\xa5\xe6\x9c\xac</a>";
    {
        test::ScopedCharset utf8(true);
        EXPECT_EQ(PadCell(zoe, 5, kAlignRight), "  " + zoe);
        EXPECT_EQ(PadCell(nihon, 4, kAlignLeft), nihon + "  ");
    }
    test::ScopedCharset bytes(false);
    EXPECT_EQ(PadCell(zoe, 5, kAlignRight), " " + zoe);
    EXPECT_EQ(PadCell(nihon, 4, kAlignLeft), nihon);
}

TEST(DbTableLayout, HugeWidthsArePaddedToABound) {
    EXPECT_EQ(PadCell("x", 2000000000, kAlignLeft).size(), 32767u);
}

TEST(DbTableLayout, OpeningsByStyle) {
    TableLayout t;
    EXPECT_EQ(TableOpening(t), "<PRE><TT>\n");
    EXPECT_EQ(TableClosing(t), "</TT></PRE>");
    t.html = true;
    TableColumnSpec a, b, c;
    a.width = 100;
    b.width = 50;
    b.align = kAlignRight;
    t.columns = {a, b};
    EXPECT_EQ(TableOpening(t), "<TABLE CELLSPACING=\"2\" >");
    t.pixels = true;
    EXPECT_EQ(TableOpening(t), "<TABLE WIDTH=\"152\" CELLSPACING=\"2\" >");
    t.columns.push_back(c);  // a column without width counts its spacing only
    t.border = true;
    EXPECT_EQ(TableOpening(t), "<TABLE WIDTH=\"154\" CELLSPACING=\"2\"  BORDER>");
    t.columns = {c};
    EXPECT_EQ(TableOpening(t), "<TABLE CELLSPACING=\"2\"  BORDER>");
    EXPECT_EQ(TableClosing(t), "</TABLE>");
    EXPECT_EQ(HtmlCellOpening(t, b, "TD"), "<TD WIDTH=50 ALIGN=RIGHT>");
    t.pixels = false;
    EXPECT_EQ(HtmlCellOpening(t, b, "TH"), "<TH WIDTH=50% ALIGN=RIGHT>");
    c.align = kAlignCenter;
    EXPECT_EQ(HtmlCellOpening(t, c, "TH"), "<TH ALIGN=MIDDLE>");
}

}  // namespace
}  // namespace kavr
