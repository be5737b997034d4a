#include "driver/core/var_store.h"

#include <gtest/gtest.h>

namespace kavr {
namespace {

TEST(VarStore, NamesIgnoreCaseAndKeepFirstSpelling) {
    VarStore s;
    s.set("Total", "1");
    s.set("TOTAL", "2");
    std::string v;
    ASSERT_EQ(s.get("total", 0, v, 1024), 1);
    EXPECT_EQ(v, "2");
    ASSERT_EQ(s.all().size(), 1u);
    EXPECT_EQ(s.all()[0].name, "Total");
}

TEST(VarStore, SparseElementsAndNegativeIndexReadsZero) {
    VarStore s;
    s.set("x", "zero", 0);
    s.set("x", "seven", 7);
    std::string v;
    EXPECT_EQ(s.get("x", -3, v, 1024), 1);
    EXPECT_EQ(v, "zero");
    EXPECT_EQ(s.get("x", 7, v, 3), 1);
    EXPECT_EQ(v, "se");
    EXPECT_EQ(s.get("x", 1, v, 1024), 0);
    EXPECT_EQ(s.get("y", 0, v, 1024), 0);
}

}  // namespace
}  // namespace kavr
