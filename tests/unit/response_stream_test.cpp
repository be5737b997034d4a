#include "driver/core/response_stream.h"

#include <gtest/gtest.h>

namespace kavr {
namespace {

std::string joined(const ResponseStream& s) {
    std::string all;
    for (const auto& b : s.blocks()) all += b;
    return all;
}

TEST(ResponseStream, BufferedTextIsSplitIntoBlocksOf1023) {
    ResponseStream s;
    s.set_buffered(true);
    s.write(std::string(1023, 'a'));
    ASSERT_EQ(s.blocks().size(), 1u);
    s.write("b");
    ASSERT_EQ(s.blocks().size(), 2u);

    ResponseStream t;
    t.set_buffered(true);
    std::string text;
    for (int i = 0; i < 3000; ++i) text += static_cast<char>('a' + i % 26);
    t.write(text);
    ASSERT_EQ(t.blocks().size(), 3u);
    EXPECT_EQ(t.blocks()[0].size(), 1023u);
    EXPECT_EQ(t.blocks()[1].size(), 1023u);
    EXPECT_EQ(t.blocks()[2].size(), 954u);
    EXPECT_EQ(joined(t), text);
}

}  // namespace
}  // namespace kavr
