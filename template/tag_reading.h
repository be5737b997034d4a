// Small readers shared by the tag handlers.
#pragma once
#include <string>

namespace kavr {

class Lexer;
struct Request;

// Conditions, bounds and case values are evaluated into buffers of this
// size (values cut to 1023 characters).
constexpr size_t kConditionSize = 1024;

// Evaluates an expression item with compute_exp; 1 on success, 0 when the
// evaluation failed (already reported).
int EvaluateItem(Request& request, const std::string& item, std::string& value,
                 size_t size = kConditionSize);

// Reads the token that ends a tag (taken as its ">", not checked).
void SkipTagEnd(Lexer& lexer);

}  // namespace kavr
