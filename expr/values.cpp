#include "expr/values.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/core/text_util.h"
#include "expr/eval_context.h"

namespace kavr {

namespace {
const RowView* g_ambient_row = nullptr;
}  // namespace

const RowView* SetAmbientRow(const RowView* row) {
    const RowView* previous = g_ambient_row;
    g_ambient_row = row;
    return previous;
}

const std::string* RowView::find(const std::string& name) const {
    if (!names || !values)
        return g_ambient_row && g_ambient_row != this ? g_ambient_row->find(name) : nullptr;
    size_t n = static_cast<size_t>(count < 0 ? 0 : count);
    if (n > names->size()) n = names->size();
    if (n > values->size()) n = values->size();
    for (size_t i = 0; i < n; ++i)
        if (EqualsNoCase((*names)[i], name)) return &(*values)[i];
    return nullptr;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int compare_bytes(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    int c = n ? std::memcmp(a.data(), b.data(), n) : 0;  // memcmp compares unsigned bytes
    if (c != 0) return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int compare_texts(std::string_view l, std::string_view r, int code) {
    switch (code) {
        case kCmpEqual: return l == r;
        case kCmpGreater: return compare_bytes(l, r) > 0;
        case kCmpLess: return compare_bytes(l, r) < 0;
        case kCmpNotEqual: return l != r;
        case kCmpGreaterEqual: return compare_bytes(l, r) >= 0;
        case kCmpLessEqual: return compare_bytes(l, r) <= 0;
        case kCmpEqualNoCase: return EqualsNoCase(l, r);
        case kCmpNotEqualNoCase: return !EqualsNoCase(l, r);
        case kCmpContains: return l.find(r) != std::string_view::npos;
        case kCmpNotContains: return l.find(r) == std::string_view::npos;
        default: return 0;
    }
}

template <typename T>
int compare_numbers(T l, T r, int code) {
    switch (code) {
        case kCmpEqual: case kCmpEqualNoCase: return l == r;
        case kCmpNotEqual: case kCmpNotEqualNoCase: return l != r;
        case kCmpGreater: return l > r;
        case kCmpLess: return l < r;
        case kCmpGreaterEqual: return l >= r;
        case kCmpLessEqual: return l <= r;
        default: return 0;  // contains and does-not-contain are false for numbers
    }
}

}  // namespace

bool IsInteger(std::string_view v) {
    size_t i = (!v.empty() && (v[0] == '+' || v[0] == '-')) ? 1 : 0;
    if (i >= v.size()) return false;
    for (; i < v.size(); ++i)
        if (!is_digit(v[i])) return false;
    return true;
}

bool IsNumber(std::string_view v) {
    size_t i = (!v.empty() && (v[0] == '+' || v[0] == '-')) ? 1 : 0;
    int digits = 0, points = 0;
    for (; i < v.size(); ++i) {
        if (is_digit(v[i])) {
            ++digits;
        } else if (v[i] == '.') {
            if (++points > 1) return false;
        } else {
            return false;
        }
    }
    return digits > 0;
}

bool IsQuoted(std::string_view v) { return v.size() >= 2 && v.front() == '"' && v.back() == '"'; }

std::string StripQuotes(std::string_view v) {
    if (IsQuoted(v)) return std::string(v.substr(1, v.size() - 2));
    return std::string(v);
}

bool ReadInt32(std::string_view v, int& out) { return ParseLeadingInt(v, out); }

bool ReadInt64(std::string_view v, long long& out) {
    size_t i = 0;
    while (i < v.size() && (v[i] == ' ' || (v[i] >= '\t' && v[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
    if (i >= v.size() || !is_digit(v[i])) return false;
    unsigned long long magnitude = 0;
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    for (; i < v.size() && is_digit(v[i]); ++i) {
        unsigned d = static_cast<unsigned>(v[i] - '0');
        magnitude = magnitude > (limit - d) / 10 ? limit : magnitude * 10 + d;
    }
    if (!negative) {
        out = static_cast<long long>(magnitude);
    } else {
        out = magnitude == 9223372036854775808ULL ? LLONG_MIN : -static_cast<long long>(magnitude);
    }
    return true;
}

bool ReadDouble(std::string_view v, double& out) {
    std::string s(v);  // strtod needs a terminated text
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    double d = std::strtod(begin, &end);
    if (end == begin) return false;
    out = d;  // out-of-range values come back as +-HUGE_VAL or 0, never undefined
    return true;
}

double NumberValue(std::string_view v) {
    double d = 0;
    if (!IsNumber(v) || !ReadDouble(v, d)) return 0;
    return d;
}

int SaturateInt32(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 2147483647.0) return INT_MAX;
    if (d <= -2147483648.0) return INT_MIN;
    return static_cast<int>(d);
}

long long SaturateInt64(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9223372036854775807.0) return LLONG_MAX;
    if (d <= -9223372036854775808.0) return LLONG_MIN;
    return static_cast<long long>(d);
}

std::string FormatFixed(double d, int decimals) {
    if (decimals < 0) decimals = 0;
    int n = std::snprintf(nullptr, 0, "%.*f", decimals, d);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(&out[0], out.size(), "%.*f", decimals, d);
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string FormatInt(long long v) {
    char buf[32];
    auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    return std::string(buf, end);
}

int CompareValues(std::string_view left, std::string_view right, int code) {
    if (IsInteger(left)) {
        int l = 0;
        ReadInt32(left, l);
        if (IsInteger(right)) {
            int r = 0;
            ReadInt32(right, r);
            return compare_numbers<long long>(l, r, code);
        }
        if (IsNumber(right)) return compare_numbers<double>(l, NumberValue(right), code);
        return compare_texts(left, StripQuotes(right), code);
    }
    if (IsNumber(left)) {
        if (IsNumber(right)) return compare_numbers<double>(NumberValue(left), NumberValue(right), code);
        return compare_texts(left, StripQuotes(right), code);
    }
    return compare_texts(StripQuotes(left), StripQuotes(right), code);
}

int IsTrue(std::string_view v) {
    if (IsInteger(v)) {
        int i = 0;
        ReadInt32(v, i);
        return i != 0;
    }
    if (IsNumber(v)) return NumberValue(v) != 0.0;
    return 0;
}

int CaseMatch(std::string_view select, std::string_view keyword, std::string_view case_value) {
    if (!EqualsNoCase(keyword, "is")) return 0;
    if (IsInteger(select) && IsInteger(case_value)) {
        int a = 0, b = 0;
        ReadInt32(select, a);
        ReadInt32(case_value, b);
        return a == b;
    }
    bool select_number = IsNumber(select), case_number = IsNumber(case_value);
    if (!select_number && !case_number) return EqualsNoCase(select, case_value);
    if (select_number != case_number) return 0;  // a word beside a number never matches
    return NumberValue(select) == NumberValue(case_value);
}

}  // namespace kavr
