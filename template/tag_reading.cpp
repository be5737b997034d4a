#include "template/tag_reading.h"

#include "expr/evaluator.h"
#include "expr/lexer.h"

namespace kavr {

int EvaluateItem(Request& request, const std::string& item, std::string& value, size_t size) {
    value.clear();
    return compute_exp(item, value, size, request) == 1 ? 1 : 0;
}

void SkipTagEnd(Lexer& lexer) {
    std::string token;
    lexer.NextToken(token);
}

}  // namespace kavr
