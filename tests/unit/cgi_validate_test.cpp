#include "cgi/validate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cgi/mask_match.h"

namespace kavr {
namespace {

const char* const kHead =
    "<hr>\n<h3>Kavri&#153 Error Occurred While Processing Request</h3>\n"
    "<table BORDER>\n<tr>\n<td>\n<h4>Error Message:</h4><p>Error Code = 10010: "
    "Form Entries Incomplete or Invalid<p><b>Explanation:</b></p>\n<P> One or more problems "
    "exist with the data you have entered: ";
const char* const kTail =
    "<p><b>Troubleshooting Information:</b></p>\n<P>Please use the Back button on your web "
    "browser to return to the previous page and correct the listed problems and then resubmit "
    "your input.</td>\n</tr>\n</table>\n";

struct Outcome {
    int result;
    std::string page;
    std::vector<NameValue> vars;  // after validation
};

Outcome validate(const std::vector<NameValue>& vars, int action = kActionNone) {
    Request r;
    r.out.set_buffered(true);
    r.input.vars = vars;
    r.input.url_count = 0;
    r.input.form_end = vars.size();
    r.action = action;
    Outcome o;
    o.result = ValidateForm(r);
    for (const auto& b : r.out.blocks()) o.page += b;
    o.vars = r.input.vars;
    return o;
}

// The page expected for the given items, or "" when none.
std::string page_of(const std::vector<std::string>& items) {
    if (items.empty()) return "";
    std::string page = kHead;
    for (const std::string& item : items) page += "<li>" + item;
    return page + kTail;
}

struct Case {
    const char* what;
    std::vector<NameValue> vars;
    std::vector<std::string> items;
};

TEST(ValidateForm, RulesAndTheirItems) {
    const std::string range_item =
        "The value entered for the qty field must be between 1 and 10 (your entry was 12).";
    const std::vector<Case> cases = {
        {"no rules", {{"a", ""}, {"b", "x"}}, {}},
        {"required and empty", {{"name", ""}, {"name_required", "Please enter your name"}},
         {"Please enter your name"}},
        {"required and given", {{"name", "Ann"}, {"NAME_REQUIRED", "Please enter your name"}}, {}},
        {"required, never sent", {{"agree_required", "You must agree"}}, {"You must agree"}},
        {"range above", {{"qty", "12"}, {"qty_range", "min=1 max=10"}}, {range_item}},
        {"range inside", {{"qty", "10"}, {"qty_range", "max = 10 min=1"}}, {}},
        {"range below, only min", {{"qty", "-3"}, {"qty_range", "MIN=-2"}},
         {"The value entered for the qty field must be between -2 and  (your entry was -3)."}},
        {"range words skipped", {{"qty", "5"}, {"qty_range", "from min=6 please"}},
         {"The value entered for the qty field must be between 6 and  (your entry was 5)."}},
        {"range on empty entry", {{"qty", ""}, {"qty_range", "min=1"}}, {}},
        {"integer bad", {{"n", "2x"}, {"n_integer", "Whole numbers only"}},
         {"Whole numbers only (You entered  '2x')"}},
        {"integer good", {{"n", "-17"}, {"n_integer", "Whole numbers only"}}, {}},
        {"float good", {{"f", "-.5"}, {"f_float", "Numbers only"}}, {}},
        {"float bad", {{"f", "1.2.3"}, {"f_float", "Numbers only"}},
         {"Numbers only (You entered  '1.2.3')"}},
        {"float sign only", {{"f", "+"}, {"f_float", "Numbers only"}}, {"Numbers only (You entered  '+')"}},
        {"mask in the rule's name", {{"zip", "1234"}, {"zip_mask=00000|00000-0000", "Bad zip"}},
         {"Bad zip (You entered  '1234')"}},
        {"mask passes", {{"zip", "12345-6789"}, {"zip_mask=00000|00000-0000", "Bad zip"}}, {}},
        {"mask rule without masks", {{"zip", "abc"}, {"zip_mask", "00000"}}, {}},
        {"date bad", {{"d", "19961231"}, {"d_date", "Bad date"}}, {"Bad date"}},
        {"date good", {{"d", "1996-12-31"}, {"d_date", "Bad date"}}, {}},
        // One item per field: the first broken rule in table order.
        {"two broken rules", {{"v", "abc"}, {"v_float", "first"}, {"v_integer", "second"}},
         {"first (You entered  'abc')"}},
        {"several fields", {{"a", ""}, {"b", "x"}, {"a_required", "A!"}, {"b_integer", "B!"}},
         {"A!", "B! (You entered  'x')"}},
    };
    for (const Case& c : cases) {
        Outcome o = validate(c.vars);
        EXPECT_EQ(o.result, c.items.empty() ? 1 : 0) << c.what;
        EXPECT_EQ(o.page, page_of(c.items)) << c.what;
    }
}

TEST(ValidateForm, IntegerRuleRoundsDecimalEntries) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"2.5", "3"}, {"-2.5", "-3"}, {"2.49", "2"}, {"+7.", "7"}, {".5", "1"}, {"-0.4", "0"},
        {"99.9", "100"}, {"007.2", "7"}, {"+12", "+12"},  // integer text stays as written
        {"123456789012345678901234567890.5", "123456789012345678901234567891"},
    };
    for (const auto& c : cases) {
        Outcome o = validate({{"n", c.first}, {"n_integer", "Whole numbers only"}});
        EXPECT_EQ(o.result, 1) << c.first;
        EXPECT_EQ(o.vars[0].value, c.second) << c.first;
    }
}

TEST(ValidateForm, InsertAndUpdateNeedDataSourceAndTable) {
    Request r;
    r.out.set_buffered(true);
    r.action = kActionInsert;
    r.datasource = "shop";
    EXPECT_EQ(ValidateForm(r), 0);
    std::string page;
    for (const auto& b : r.out.blocks()) page += b;
    EXPECT_EQ(page, page_of({"You must specify the TableName<BR>"}));

    EXPECT_EQ(validate({}, kActionUpdate).page,
              page_of({"You must specify the Datasource<BR>", "You must specify the TableName<BR>"}));
    EXPECT_EQ(validate({}, kActionQuery).result, 1);
}

TEST(ValidateForm, RangeRuleWithoutEqualsEndsValidation) {
    Outcome o = validate({{"a", ""}, {"a_required", "A!"}, {"qty", "5"}, {"qty_range", "min 1"},
                          {"b", ""}, {"b_required", "B!"}});
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.page, page_of({"A!"}));  // the page so far is closed; later fields are not checked

    EXPECT_EQ(validate({{"qty", "5"}, {"qty_range", "max"}}).page, "");
}

TEST(DateText, PartSeparatorPart) {
    for (const char* good : {"12/31/1996", "1996-12-31", "12/31", "12-31/1996", "Jan-5",
                             "12/31/1996 and more", "1996-12-31T10:00"})
        EXPECT_TRUE(IsDateText(good)) << good;
    for (const char* bad : {"19961231", "12/31/", "/12/31", "12//31", "12/", "12 31", "12/31 1996",
                            " ", "-12-31"})
        EXPECT_FALSE(IsDateText(bad)) << bad;
}

TEST(NumberTexts, IntegerAndNumberForms) {
    for (const char* s : {"0", "+1", "-42", "007"}) EXPECT_TRUE(IsIntegerText(s)) << s;
    for (const char* s : {"", "+", "1.0", "1e3", " 1", "1 "}) EXPECT_FALSE(IsIntegerText(s)) << s;
    for (const char* s : {"1.", ".5", "-1.25", "+3"}) EXPECT_TRUE(IsNumberText(s)) << s;
    for (const char* s : {".", "-.", "1..2", "1.2.3", "1,5", "0x10"}) EXPECT_FALSE(IsNumberText(s)) << s;
}

TEST(MaskMatches, CharacterClasses) {
    struct M {
        const char* mask;
        const char* value;
        bool match;
    };
    const M cases[] = {
        {"00000", "12345", true},        {"00000", "1234", false},
        {"00000-0000", "12345-6789", true}, {"00000", "123456", false},
        {"?", "", true},                 {"?-?", "12-", true},
        {"?", "12a", false},             {"AAA", "a1Z", true},
        {"AAA", "a-Z", false},           {"a@a.zz", "joe@example.org", true},
        {"a@a.z", "joe@mail.example.org", false},
        {"c@c", "joe@example.org", true},
        {"ZZ0", "ab1", true},            {"ZZ0", "a11", false},
        {"z", "", true},                 {"z", "abc1", false},
        {"C", "\x1f", false},            {"C", "\xe9", true},
        {"CC", " ~", true},              {"c", "tab\there", false},
        {"\\0\\a", "0a", true},          {"\\0", "5", false},
        {"x\\", "x\\", true},            {"(000) 000", "(555) 123", true},
        // Backtracking: the first "any number" must leave digits for the rest.
        {"a0", "abc12", true},           {"?00", "12", true},
        {"c-c-c", "a-b-c-d", true},      {"z0z", "abc", false},
    };
    for (const M& m : cases) EXPECT_EQ(MaskMatches(m.mask, m.value), m.match) << m.mask << " " << m.value;
}

TEST(MaskMatches, HostileMasksFinishQuickly) {
    // Exponential for a naive backtracking search.
    const std::string mask = std::string(40, 'c') + "!";
    EXPECT_FALSE(MaskMatches(mask, std::string(5000, 'x')));
    EXPECT_TRUE(MaskMatches(mask, std::string(5000, 'x') + "!"));
    // Beyond the step budget: no match, in bounded time.
    EXPECT_FALSE(MaskMatches(std::string(600, 'c') + "!", std::string(100000, 'x') + "!"));
    EXPECT_TRUE(MaskMatches("c", std::string(3 << 20, 'x')));
}

}  // namespace
}  // namespace kavr
