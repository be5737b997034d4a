#include <gtest/gtest.h>

#include "driver/core/charset.h"
#include "driver/core/response_stream.h"
#include "driver/core/text_util.h"
#include "tests/unit/charset_scope.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

// Mixed text used throughout: ASCII, "é" (2 bytes), "日" (3), "😀" (4).
const std::string kE = "\xc3\xa9", kNichi = "\xe6\x97\xa5", kSmile = "\xf0\x9f\x98\x80";

TEST(Utf8Sequences, ValidAndInvalidForms) {
    struct Case {
        std::string text;
        size_t len;
        uint32_t cp;
    } cases[] = {
        {"a", 0, 0},
        {kE, 2, 0xE9},
        {kNichi, 3, 0x65E5},
        {kSmile, 4, 0x1F600},
        {"\xc2\x80", 2, 0x80},
        {"\xf4\x8f\xbf\xbf", 4, 0x10FFFF},
        {"\xe9", 0, 0},                // a Latin-1 byte alone
        {"\xc3", 0, 0},                // lead byte at the end
        {"\xe6\x97", 0, 0},            // sequence cut short
        {"\xc3(", 0, 0},               // not followed by a continuation byte
        {"\x80", 0, 0},                // continuation byte alone
        {"\xc0\xaf", 0, 0},            // overlong "/"
        {"\xe0\x80\xaf", 0, 0},        // overlong in three bytes
        {"\xed\xa0\x80", 0, 0},        // surrogate
        {"\xf4\x90\x80\x80", 0, 0},    // above U+10FFFF
        {"\xff", 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t cp = 0;
        EXPECT_EQ(Utf8SequenceAt(c.text, 0, &cp), c.len) << c.text;
        if (c.len) {
            EXPECT_EQ(cp, c.cp) << c.text;
            EXPECT_EQ(EncodeUtf8(cp), c.text);
        }
    }
    EXPECT_EQ(EncodeUtf8(0xD800), "");
    EXPECT_EQ(EncodeUtf8(0x110000), "");
}

TEST(Utf8Sequences, CountsOffsetsAndCutsOnBothSettings) {
    const std::string mixed = "a" + kE + kNichi + kSmile + "\xe9" + "z";  // 6 characters, 12 bytes
    {
        test::ScopedCharset utf8(true);
        EXPECT_EQ(CharCount(mixed), 6u);
        EXPECT_EQ(CharCount(""), 0u);
        const size_t offsets[] = {0, 1, 3, 6, 10, 11, 12, 12};
        for (size_t n = 0; n < 8; ++n) EXPECT_EQ(CharOffset(mixed, n), offsets[n]) << n;
        // Each cut in the middle of a character backs up to its start.
        const size_t cuts[][2] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 3},  {6, 6},
                                  {7, 6}, {8, 6}, {9, 6}, {10, 10}, {11, 11}, {12, 12}, {99, 12}};
        for (const auto& c : cuts) EXPECT_EQ(CutPoint(mixed, c[0]), c[1]) << c[0];
        // Invalid bytes are characters of their own: a cut after them stays.
        EXPECT_EQ(CutPoint("ab\xe6\x97", 3), 3u);
        EXPECT_EQ(CutPoint("\x80\x80\x80\x80", 2), 2u);
        std::string s = "x" + kNichi;
        CutToSize(s, 3);
        EXPECT_EQ(s, "x");
    }
    {
        test::ScopedCharset bytes(false);
        EXPECT_EQ(CharCount(mixed), 12u);
        EXPECT_EQ(CharOffset(mixed, 4), 4u);
        EXPECT_EQ(CharOffset(mixed, 40), 12u);
        EXPECT_EQ(CutPoint(mixed, 4), 4u);
        EXPECT_EQ(CutView(mixed, 2), "a\xc3");
    }
}

struct EscapeCase {
    std::string text, utf8, bytes;
};

TEST(HtmlEscaping, TheOneTableOnBothSettings) {
    const EscapeCase cases[] = {
        {"a<b & \"c\" `d` >", "a&lt;b &amp; &quot;c&quot; &#96;d&#96; &gt;",
         "a&lt;b &amp; &quot;c&quot; &#96;d&#96; &gt;"},
        {"a\r\nb", "a\nb", "a\nb"},
        // Characters of the Latin-1 range named by the table become their
        // entity; on the byte setting each byte is looked up on its own.
        {"Zo" + kE, "Zo&#233;", "Zo&#195;&#169;"},
        {"\xc2\xa9 \xc2\xa2", "&#169; \xc2\xa2", "&#194;&#169; &#194;\xa2"},
        // Other characters are copied whole.
        {kNichi + "\xe6\x9c\xac" + kSmile, kNichi + "\xe6\x9c\xac" + kSmile,
         "&#230;\x97&#165;&#230;\x9c\xac&#240;\x9f\x98\x80"},
        // Three Latin-1 bytes that happen to form a valid sequence are one
        // character; bytes outside a valid sequence keep the byte table.
        {"\xe9\xa0\xb4\xdd\x7f", "\xe9\xa0\xb4\xdd\x7f", "&#233;&#160;&#180;\xdd\x7f"},
        {"caf\xe9 \xff", "caf&#233; &#255;", "caf&#233; &#255;"},
        {"\xe6\x97<", "&#230;\x97&lt;", "&#230;\x97&lt;"},
    };
    for (const EscapeCase& c : cases) {
        test::ScopedCharset utf8(true);
        EXPECT_EQ(HtmlEscape(c.text), c.utf8) << c.text;
        test::ScopedCharset bytes(false);
        EXPECT_EQ(HtmlEscape(c.text), c.bytes) << c.text;
    }
}

TEST(HtmlEscaping, StopsBeforeAPieceOrCharacterThatDoesNotFit) {
    test::ScopedCharset utf8(true);
    EXPECT_EQ(HtmlEscape("<<<", 9), "&lt;&lt;");
    EXPECT_EQ(HtmlEscape("a" + kNichi, 3), "a");
    EXPECT_EQ(HtmlEscape("a" + kNichi, 4), "a" + kNichi);
    EXPECT_EQ(HtmlEscape(kE + kE, 11), "&#233;");
}

TEST(CharsetKey, SelectsTheSettingAndTheHeaderParameter) {
    struct Case {
        const char* ini;
        bool utf8;
        const char* header;
    } cases[] = {
        {"", true, "Content-type: text/html\n\n"},
        {"[Main]\nCharset=UTF-8\n", true, "Content-type: text/html; charset=UTF-8\n\n"},
        {"[Main]\nCharset=utf8\n", true, "Content-type: text/html; charset=utf8\n\n"},
        {"[Main]\nCharset=iso-8859-1\n", false, "Content-type: text/html; charset=iso-8859-1\n\n"},
        {"[Main]\nCharset=windows-1252 ; old\n", false,
         "Content-type: text/html; charset=windows-1252\n\n"},
        {"[Main]\nCharset=;x\n", true, "Content-type: text/html\n\n"},
    };
    for (const Case& c : cases) {
        test::TestSite site;
        site.load_config(c.ini);
        EXPECT_EQ(g_config.utf8, c.utf8) << c.ini;
        ResponseStream out;
        out.set_buffered(true);
        out.write_header(true);
        ASSERT_EQ(out.blocks().size(), 1u);
        EXPECT_EQ(out.blocks()[0], c.header) << c.ini;
    }
}

}  // namespace
}  // namespace kavr
