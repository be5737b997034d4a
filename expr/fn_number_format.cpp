// Number formatting: thousands separators, amounts, yes/no words, named
// formats and picture masks.
#include <climits>
#include <cmath>
#include <cstdio>

#include "driver/core/charset.h"
#include "driver/core/text_util.h"
#include "expr/builtin_functions.h"
#include "expr/values.h"

namespace kavr {

namespace {

constexpr size_t kFormatValueChars = 4095;
constexpr size_t kFormatMaskChars = 2047;

// Splits a leading sign off a number text.
std::string unsigned_part(const std::string& v, bool& negative) {
    negative = !v.empty() && v[0] == '-';
    return (!v.empty() && (v[0] == '-' || v[0] == '+')) ? v.substr(1) : v;
}

// Inserts "," before every group of three characters of the integer part
// (up to the point, or the whole text) that has a character to its left.
std::string group_thousands(const std::string& digits) {
    size_t end = digits.find('.');
    if (end == std::string::npos) end = digits.size();
    std::string out = digits.substr(end);
    for (size_t i = end, n = 0; i-- > 0; ++n) {
        if (n > 0 && n % 3 == 0) out.insert(out.begin(), ',');
        out.insert(out.begin(), digits[i]);
    }
    return out;
}

// Rounds to cents, half away from zero.
double round_cents(double x) {
    double r = std::trunc(std::fabs(x) * 100.0 + 0.5) / 100.0;
    return x < 0 ? -r : r;
}

// ",%03d" groups of a magnitude, with the sign once in front.
std::string grouped_integer(long long v) {
    bool negative = v < 0;
    unsigned long long m = negative ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
    std::string out;
    char buf[32];
    while (m / 1000 != 0) {
        std::snprintf(buf, sizeof buf, ",%03llu", m % 1000);
        out.insert(0, buf);
        m /= 1000;
    }
    std::snprintf(buf, sizeof buf, "%llu", m);
    out.insert(0, buf);
    return negative ? "-" + out : out;
}

bool number_format(const std::string& v, std::string& out) {
    if (!IsNumber(v)) return false;
    size_t point = v.find('.');
    std::string fraction;
    long long whole = 0;
    if (point != std::string::npos) {
        int decimals = static_cast<int>(v.size() - point - 1);
        double rounded = round_cents(NumberValue(v));
        std::string printed = FormatFixed(rounded, decimals);
        size_t p = printed.find('.');
        if (p != std::string::npos) fraction = printed.substr(p, 3);  // the point and two decimals at most
        whole = SaturateInt64(rounded);
    } else {
        ReadInt64(v, whole);
    }
    out = grouped_integer(whole) + fraction;
    // A negative amount that rounds to a whole of 0 keeps its sign.
    if (whole == 0 && v[0] == '-' && fraction.find_first_not_of(".0") != std::string::npos) out = "-" + out;
    return true;
}

bool dollar_format(const std::string& v, std::string& out) {
    double x;
    if (v.empty() || !ReadDouble(v, x) || !std::isfinite(x)) return false;
    std::string amount = FormatFixed(std::fabs(round_cents(x)), 2);
    amount = group_thousands(amount);
    if (x < 0 && round_cents(x) != 0) amount = "(" + amount + ")";
    out = "$" + amount;
    return true;
}

bool yes_no(const std::string& v, const char* yes, const char* no, std::string& out) {
    if (!IsNumber(v)) return false;
    int n = 0;
    ReadInt32(v, n);  // "%d": 0.5 reads as 0
    out = n != 0 ? yes : no;
    return true;
}

// Trailing zeros of a fraction and leading zeros of the integer part go.
std::string normalise(const std::string& value) {
    bool negative;
    std::string v = unsigned_part(value, negative);
    if (v.find('.') != std::string::npos) {
        while (!v.empty() && v.back() == '0') v.pop_back();
        if (!v.empty() && v.back() == '.') v += '0';
    }
    size_t lead = 0;
    while (lead + 1 < v.size() && v[lead] == '0' && v[lead + 1] != '.') ++lead;
    v.erase(0, lead);
    if (v.empty() && !value.empty()) v = "0";
    return (!value.empty() && (value[0] == '-' || value[0] == '+')) ? value.substr(0, 1) + v : v;
}

// Applies a picture mask to a number; exponent is appended at the end.
bool apply_mask(const std::string& value, const std::string& mask, const std::string& exponent,
                std::string& out) {
    if (!IsNumber(value)) return false;
    bool negative;
    std::string v = unsigned_part(value, negative);
    bool has_point = v.find('.') != std::string::npos;

    if (mask.find('%') != std::string::npos) {
        if (!has_point) {
            long long n = 0;
            ReadInt64(v, n);
            n = n > LLONG_MAX / 100 ? LLONG_MAX : n * 100;
            v = FormatInt(n);
        } else {
            int decimals = static_cast<int>(v.size() - v.find('.') - 1);
            v = FormatFixed(NumberValue(v) * 100.0, decimals);
        }
    }

    size_t mask_point = mask.find('.');
    int places = 0;
    if (mask_point != std::string::npos)
        for (size_t i = mask_point + 1; i < mask.size(); ++i)
            if (mask[i] == '0' || mask[i] == '?') ++places;
    if (places > 0) {
        v = FormatFixed(NumberValue(v), places);
    } else if (v.find('.') != std::string::npos) {
        v = FormatInt(SaturateInt64(std::trunc(NumberValue(v) + 0.5)));
    }

    size_t value_point = v.find('.');
    std::string int_digits = v.substr(0, value_point);
    std::string frac_digits = value_point == std::string::npos ? "" : v.substr(value_point + 1);
    std::string int_mask = mask.substr(0, mask_point);

    // Integer part, right to left.
    std::string result;
    size_t left = int_digits.size();  // value digits not yet used
    for (size_t i = int_mask.size(); i-- > 0;) {
        char m = int_mask[i];
        if (m == '0' || m == '?') {
            if (left > 0) {
                result.insert(result.begin(), int_digits[--left]);
                if (int_mask.find_first_of("0?") == i) {
                    result.insert(0, int_digits.substr(0, left));  // digits beyond the placeholders
                    left = 0;
                }
            } else if (m == '0') {
                result.insert(result.begin(), '0');
            }
        } else if (m == ',') {
            if (left > 0 || int_mask.find('0') < i) result.insert(result.begin(), ',');
        } else {
            result.insert(result.begin(), m);
        }
    }

    // Fraction, left to right from the point.
    if (mask_point != std::string::npos) {
        size_t next = 0;
        for (size_t i = mask_point; i < mask.size(); ++i) {
            char m = mask[i];
            if (m == '0' || m == '?') {
                if (next < frac_digits.size()) {
                    result += frac_digits[next++];
                } else if (m == '0') {
                    result += '0';
                }
            } else {
                result += m;
            }
        }
    }
    out = (negative ? "-" : "") + result + exponent;
    return true;
}

bool scientific(const std::string& value, std::string& out) {
    double x;
    if (!IsNumber(value) || !ReadDouble(value, x) || !std::isfinite(x)) return false;
    double m = std::fabs(x);
    int exponent = 0;
    while (m > 0 && m < 1) {
        m *= 10;
        --exponent;
    }
    while (m >= 10) {
        m /= 10;
        ++exponent;
    }
    char exp_text[16];
    std::snprintf(exp_text, sizeof exp_text, exponent < 0 ? "E-%02d" : "E+%02d", exponent < 0 ? -exponent : exponent);
    size_t point = value.find('.');
    int decimals = point == std::string::npos ? 0 : static_cast<int>(value.size() - point - 1);
    std::string mantissa = FormatFixed(x < 0 ? -m : m, decimals);
    return apply_mask(mantissa, "0.00", exp_text, out);
}

bool format_value(const std::string& value, const std::string& format, std::string& out) {
    std::string v = normalise(value);
    if (format.empty() || EqualsNoCase(format, "General Number")) {
        out = v;
        return true;
    }
    if (EqualsNoCase(format, "Currency")) return dollar_format(v, out);
    if (EqualsNoCase(format, "Standard")) return number_format(v, out);
    if (EqualsNoCase(format, "Yes/No")) return yes_no(v, "Yes", "No", out);
    if (EqualsNoCase(format, "True/False")) return yes_no(v, "True", "False", out);
    if (EqualsNoCase(format, "On/Off")) return yes_no(v, "On", "Off", out);
    if (EqualsNoCase(format, "Scientific")) return scientific(v, out);
    if (EqualsNoCase(format, "Percent")) return apply_mask(v, "0.00%", "", out);
    if (EqualsNoCase(format, "Fixed")) return apply_mask(v, "0.00", "", out);
    if (EqualsNoCase(format, "Discard Decimal")) {
        if (!IsNumber(v)) return false;
        long long whole = 0;
        ReadInt64(v.substr(0, v.find('.')), whole);  // ".5" has a whole part of 0
        return apply_mask(FormatInt(whole), "0", "", out);
    }
    return apply_mask(v, format, "", out);
}

}  // namespace

int FnNumberFormat(FunctionCall& call) {
    std::vector<std::string> args;
    if (!call.Arguments(args, 1, 2)) return 0;
    std::string out;
    bool ok = args.size() == 2 && !args[1].empty() ? apply_mask(args[0], args[1], "", out)
                                                   : number_format(args[0], out);
    return ok ? call.Result(out) : 0;
}

int FnDecimalFormat(FunctionCall& call) {
    std::string v;
    if (!call.OneArgument(v) || !IsNumber(v)) return 0;
    bool negative;
    std::string digits = unsigned_part(v, negative);
    return call.Result((negative ? "-" : "") + group_thousands(digits));
}

int FnDollarFormat(FunctionCall& call) {
    std::string v, out;
    if (!call.OneArgument(v) || !dollar_format(v, out)) return 0;
    return call.Result(out);
}

int FnYesNoFormat(FunctionCall& call) {
    std::string v, out;
    if (!call.OneArgument(v) || !yes_no(v, "Yes", "No", out)) return 0;
    return call.Result(out);
}

int FnFormat(FunctionCall& call) {
    std::vector<std::string> args;
    if (!call.Arguments(args, 1, 2)) return 0;
    std::string value(CutView(args[0], kFormatValueChars));
    std::string format = args.size() == 2 ? std::string(CutView(args[1], kFormatMaskChars)) : std::string();
    std::string out;
    if (!format_value(value, format, out)) return 0;
    return call.Result(out);
}

}  // namespace kavr
