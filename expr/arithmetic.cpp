#include <cmath>
#include <cstdint>

#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "expr/evaluator.h"
#include "expr/values.h"

namespace kavr {

namespace {

void report_division_by_zero(Request& r) { ReportError(r, "10240", r.out); }

// 32-bit arithmetic that wraps like the machine's and never traps.
int32_t wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

int integer_op(Request& r, char op, int32_t a, int32_t b, std::string& out) {
    int64_t result = 0;
    switch (op) {
        case '+': result = wrap(int64_t{a} + b); break;
        case '-': result = wrap(int64_t{a} - b); break;
        case '*': result = wrap(int64_t{a} * b); break;
        case '%':
            if (b == 0) {
                report_division_by_zero(r);
                result = 0;
            } else {
                result = int64_t{a} % b;  // in 64 bits: INT_MIN % -1 is 0, not a trap
            }
            break;
    }
    out = FormatInt(result);
    return 1;
}

int double_op(Request& r, char op, double a, double b, std::string& out) {
    double result = 0;
    switch (op) {
        case '+': result = a + b; break;
        case '-': result = a - b; break;
        case '*': result = a * b; break;
        case '/':
            if (b > -0.0000001 && b < 0.0000001) {
                report_division_by_zero(r);
                result = 0.0;
            } else {
                result = a / b;
            }
            break;
        case '^': result = std::pow(a, b); break;
        case '%': {
            // Each side rounded to a 32-bit integer first; the remainder is an integer.
            int64_t ra = SaturateInt32(a + 0.5), rb = SaturateInt32(b + 0.5);
            if (rb == 0) {
                report_division_by_zero(r);
                out = "0";
            } else {
                out = FormatInt(ra % rb);
            }
            return 1;
        }
    }
    out = FormatFixed(result, 12);
    return 1;
}

}  // namespace

int Arithmetic(Request& r, const std::string& op, const std::string& a, const std::string& b,
               std::string& out) {
    if (op == "&") {
        out = StripQuotes(a) + StripQuotes(b);
        return 1;
    }
    out.clear();
    if (a.empty() || b.empty()) return 0;
    if (op.size() != 1 || std::string("+-*/%^").find(op[0]) == std::string::npos) return 0;
    if (IsQuoted(a) || IsQuoted(b)) return 0;
    char o = op[0];
    if (IsInteger(a) && IsInteger(b) && o != '/' && o != '^') {
        int32_t x = 0, y = 0;
        ReadInt32(a, x);
        ReadInt32(b, y);
        return integer_op(r, o, x, y, out);
    }
    // Texts that are not numbers count as 0.
    return double_op(r, o, NumberValue(a), NumberValue(b), out);
}

}  // namespace kavr
