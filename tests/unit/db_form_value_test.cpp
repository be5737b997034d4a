// Literals of form values by column type, and the names a form may give
// as its table.
#include <gtest/gtest.h>

#include "db/form_dml.h"
#include "db/form_value.h"

namespace kavr {
namespace {

struct LiteralCase {
    SQLSMALLINT type;
    std::string value;
    int ok;
    std::string literal;
};

TEST(DbFormValue, LiteralsByColumnType) {
    const LiteralCase cases[] = {
        // Text: single quotes doubled, nothing else changed.
        {SQL_VARCHAR, "it's", 1, "'it''s'"},
        {SQL_CHAR, "a|b", 1, "'a|b'"},
        {SQL_LONGVARCHAR, "", 1, "''"},
        {SQL_VARCHAR, "x'); DROP TABLE t;--", 1, "'x''); DROP TABLE t;--'"},
        {SQL_VARCHAR, "''", 1, "''''''"},
        {SQL_VARCHAR, std::string("a\0b", 3), 0, ""},
        // Dates and times in their escapes; only digits and separators.
        {SQL_DATE, "2024-01-02", 1, "{d '2024-01-02'}"},
        {SQL_TIME, "10:11:12", 1, "{t '10:11:12'}"},
        {SQL_TIMESTAMP, "2024-01-02 10:11:12.5", 1, "{ts '2024-01-02 10:11:12.5'}"},
        {SQL_DATE, "2024-01-02'}, x", 0, ""},
        {SQL_TIMESTAMP, "now", 0, ""},
        // Numbers as they are, blanks around them dropped; nothing else.
        {SQL_INTEGER, "42", 1, "42"},
        {SQL_NUMERIC, " -1.50 ", 1, "-1.50"},
        {SQL_DOUBLE, "+2.5e-3", 1, "+2.5e-3"},
        {SQL_SMALLINT, ".5", 1, ".5"},
        {SQL_INTEGER, "", 1, ""},
        {SQL_INTEGER, "1); DROP TABLE t;--", 0, ""},
        {SQL_INTEGER, "1 OR 1=1", 0, ""},
        {SQL_DECIMAL, "1.2.3", 0, ""},
        {SQL_FLOAT, "1e", 0, ""},
        {SQL_BIGINT, "-", 0, ""},
        {SQL_BIT, "   ", 0, ""},
        {SQL_REAL, "0x10", 0, ""},
        // Binary: pairs of hexadecimal digits.
        {SQL_BINARY, "00fF", 1, "X'00fF'"},
        {SQL_BINARY, "abc", 0, ""},
        {SQL_BINARY, "zz", 0, ""},
        // Types without a literal form.
        {SQL_GUID, "anything'", 1, "NULL"},
    };
    for (const LiteralCase& c : cases) {
        std::string literal = "stale";
        EXPECT_EQ(FormatColumnValue(c.type, c.value, literal), c.ok)
            << "type " << c.type << " value " << c.value;
        EXPECT_EQ(literal, c.literal) << "type " << c.type << " value " << c.value;
    }
}

TEST(DbFormValue, BackslashesAreDoubledWhereTheyEscape) {
    std::string literal;
    ASSERT_EQ(FormatColumnValue(SQL_VARCHAR, "a\\'b\\", literal, true), 1);
    EXPECT_EQ(literal, "'a\\\\''b\\\\'");
    ASSERT_EQ(FormatColumnValue(SQL_VARCHAR, "a\\'b\\", literal, false), 1);
    EXPECT_EQ(literal, "'a\\''b\\'");
}

TEST(DbFormValue, FieldsAreFoundByNameIgnoringCaseFirstWins) {
    std::vector<NameValue> vars{{"Title", "first"}, {"TITLE", "second"}, {"body", ""}};
    FormValues values{vars.data(), vars.size()};
    ASSERT_NE(values.find("title"), nullptr);
    EXPECT_EQ(*values.find("title"), "first");
    ASSERT_NE(values.find("BODY"), nullptr);
    EXPECT_EQ(*values.find("BODY"), "");
    EXPECT_EQ(values.find("titl"), nullptr);

    // Only the URL and form variables count, not what follows them.
    Request r;
    r.input.vars = {{"a", "url"}, {"b", "form"}, {"c", "other"}};
    r.input.url_count = 1;
    r.input.form_end = 2;
    FormValues from_request = RequestFormValues(r);
    EXPECT_NE(from_request.find("b"), nullptr);
    EXPECT_EQ(from_request.find("c"), nullptr);
}

TEST(DbFormValue, OnlyPlainNamesAreTableNames) {
    for (const char* name : {"items", "_t", "Order_Lines2"}) EXPECT_TRUE(IsPlainTableName(name)) << name;
    for (const char* name : {"", "2items", "items;", "items t", "items--", "a.b", "it%", "\"items\""})
        EXPECT_FALSE(IsPlainTableName(name)) << name;
}

}  // namespace
}  // namespace kavr
