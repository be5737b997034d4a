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

// Enough names, short and long, that the table grows and rehashes many
// times: every name must still be found under any spelling, and only a
// name of the same letters matches.
TEST(VarStore, ManyNamesFoundInAnyCaseAfterTheTableGrows) {
    VarStore s;
    const int count = 2000;
    auto name = [](int i, bool upper) {
        std::string n = (i % 2 ? "Var_" : "a_rather_long_variable_name_") + std::to_string(i);
        for (char& c : n)
            if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return n;
    };
    for (int i = 0; i < count; ++i) ASSERT_EQ(s.set(name(i, false), std::to_string(i)), 1);
    std::string v;
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(s.get(name(i, true), 0, v, 1024), 1) << name(i, true);
        EXPECT_EQ(v, std::to_string(i));
    }
    EXPECT_EQ(s.all().size(), static_cast<size_t>(count));
    EXPECT_EQ(s.get("Var_2", 0, v, 1024), 0);
    EXPECT_EQ(s.get("Var-1", 0, v, 1024), 0);
    EXPECT_EQ(s.get("Var_1 ", 0, v, 1024), 0);
    s.clear();
    EXPECT_EQ(s.find("var_1"), nullptr);
    s.set("VAR_1", "again");
    ASSERT_EQ(s.get("var_1", 0, v, 1024), 1);
    EXPECT_EQ(v, "again");
    EXPECT_EQ(s.all()[0].name, "VAR_1");
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
