// compute_exp: evaluates an expression text into a value text.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "expr/eval_context.h"

namespace kavr {

struct Request;

// A text that begins with "#" is parsed up to its closing "#" and
// evaluated; any other text is a literal (one pair of surrounding double
// quotes removed). Writes at most size - 1 characters into out. 1 on
// success, -1 on failure (already reported: 11010 for a syntax error, 10810
// through the lookup for an undefined name). An empty expression ("##")
// succeeds and leaves out as it was.
int compute_exp(const std::string& expr, std::string& out, size_t size, Request& request,
                const RowView& row = RowView());

// What compute_exp gives for expr when expr is a lone plain name whose
// lookup (of operand, its "#name#" form) finds a row column holding
// column: the same value, cuts and log lines, read from the column's text
// without evaluating anything: value is a part of column. 1, or what
// compute_exp returns when expressions nest too deep to take one more.
int ComputeColumnReference(const std::string& expr, const std::string& operand, std::string_view column,
                           size_t size, Request& request, const RowView& row, std::string_view& value);

// One arithmetic operator ("+", "-", "*", "/", "%", "^") or "&" on two
// values. 1 with the result in out; 0 when the operation fails (an empty
// operand, or a quoted string in arithmetic). Division by zero reports
// 10240 and gives 0.
int Arithmetic(Request& request, const std::string& op, const std::string& a, const std::string& b,
               std::string& out);

}  // namespace kavr
