#include "mail/data_filter.h"

#include <gtest/gtest.h>

#include <vector>

namespace kavr {
namespace {

// Runs the blocks through one filter, as the delivery streams a file.
std::string filtered(const std::vector<std::string>& blocks) {
    DataFilter f;
    std::string out;
    for (const auto& b : blocks) f.feed(b, out);
    f.finish(out);
    return out;
}

TEST(MailDataFilter, LineEndsBecomeCrlfAndLeadingDotsAreDoubled) {
    struct Case {
        std::vector<std::string> in;
        std::string out;
    } cases[] = {
        {{"plain"}, "plain"},
        {{"a\nb\n"}, "a\r\nb\r\n"},
        {{"a\r\nb"}, "a\r\nb"},
        {{"a\rb\r"}, "a\r\nb\r\n"},
        {{"a\n\nb"}, "a\r\n\r\nb"},
        {{".\n"}, "..\r\n"},
        {{"x\n.\ny"}, "x\r\n..\r\ny"},
        {{"x\r\n.\r\nlost?"}, "x\r\n..\r\nlost?"},
        {{"..x\n. y"}, "...x\r\n.. y"},
        {{"a.b\n"}, "a.b\r\n"},
        {{std::string("n\0ul\0l", 6)}, "null"},
        // Blocks split a CRLF pair, or end just before a line's dot.
        {{"abc\r", "\n.x"}, "abc\r\n..x"},
        {{"abc\r", "def"}, "abc\r\ndef"},
        {{"abc\n", ".", "\n"}, "abc\r\n..\r\n"},
        {{"", "a", ""}, "a"},
    };
    for (const Case& c : cases) EXPECT_EQ(filtered(c.in), c.out) << c.out;
}

std::string base64(const std::vector<std::string>& blocks) {
    Base64Lines b;
    std::string out;
    for (const auto& blk : blocks) b.feed(blk, out);
    b.finish(out);
    return out;
}

TEST(MailDataFilter, Base64InLinesOf76) {
    EXPECT_EQ(base64({""}), "");
    EXPECT_EQ(base64({"f"}), "Zg==\r\n");
    EXPECT_EQ(base64({"fo"}), "Zm8=\r\n");
    EXPECT_EQ(base64({"foo"}), "Zm9v\r\n");
    EXPECT_EQ(base64({"foob"}), "Zm9vYg==\r\n");
    EXPECT_EQ(base64({"fo", "oba", "r"}), "Zm9vYmFy\r\n");
    EXPECT_EQ(base64({std::string("\0\xff\xfe\r\n.", 6)}), "AP/+DQou\r\n");
    // 57 bytes fill exactly one line of 76 characters.
    std::string out = base64({std::string(57, 'a'), std::string(58, 'a')});
    ASSERT_EQ(out.size(), 76 + 2 + 76 + 2 + 4 + 2u);
    EXPECT_EQ(out.substr(76, 2), "\r\n");
    EXPECT_EQ(out.substr(154, 2), "\r\n");
    EXPECT_EQ(out.substr(156), "YQ==\r\n");
}

}  // namespace
}  // namespace kavr
