// Values are texts. These are the tests and conversions that recognise
// numbers and truth in them.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

// An optional sign followed by at least one digit and nothing else.
bool IsInteger(std::string_view v);
// An optional sign, digits and at most one decimal point, with at least one
// digit (12, 12.5, .5 and 12. are numbers).
bool IsNumber(std::string_view v);
// A text that both begins and ends with a double quote.
bool IsQuoted(std::string_view v);
// Removes one pair of surrounding double quotes, when there is one.
std::string StripQuotes(std::string_view v);

// Reads a leading integer as "%d" does. Numbers beyond the 32-bit range
// saturate at INT_MIN / INT_MAX instead of overflowing. False when the text
// does not begin with a number.
bool ReadInt32(std::string_view v, int& out);
// The same for "%ld" readings, in 64 bits, saturating at the 64-bit range.
bool ReadInt64(std::string_view v, long long& out);
// Reads a leading number as "%lf" does; false when there is none.
bool ReadDouble(std::string_view v, double& out);
// A number text as a double; 0 for any text that is not a number.
double NumberValue(std::string_view v);
// A double converted to a 32-bit integer, truncated toward zero and
// saturated (NaN gives 0), so that no conversion is undefined.
int SaturateInt32(double d);
long long SaturateInt64(double d);

// printf-style helpers that return a string.
std::string FormatFixed(double d, int decimals);  // "%.*lf"
std::string FormatInt(long long v);               // "%lld"

// Comparison codes.
enum CompareCode : int {
    kCmpEqual = 1, kCmpGreater = 2, kCmpLess = 3, kCmpNotEqual = 4, kCmpGreaterEqual = 5,
    kCmpLessEqual = 6, kCmpContains = 7, kCmpNotContains = 8, kCmpEqualNoCase = 11,
    kCmpNotEqualNoCase = 41,
};

// 1 when the comparison holds, else 0.
int CompareValues(std::string_view left, std::string_view right, int code);
// Truth of a condition: a non-zero number is true, every other text false.
int IsTrue(std::string_view v);
// kavselectcase: 1 when the case value matches the select value.
int CaseMatch(std::string_view select, std::string_view keyword, std::string_view case_value);

}  // namespace kavr
