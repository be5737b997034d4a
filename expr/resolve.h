// ResolveReference: what one reference between "#" signs names (a scoped
// name, an array element, a built-in function call or a plain name) and
// its value.
#pragma once
#include <cstddef>
#include <string>

#include "expr/eval_context.h"

namespace kavr {

struct Request;
struct ReferenceForm;

// text holds the reference on entry and its value on success (at most
// size - 1 characters). A text that is neither of class kTokReference nor
// begins with "#" is left as it is and counts as resolved. 1 when
// resolved, 0 on failure (a function that failed, a name found nowhere).
// form, when given, is what CompileReference gives for the reference's body.
int ResolveReference(int token_class, std::string& text, size_t size, Request& request,
                     const RowView& row = RowView(), const ReferenceForm* form = nullptr);

// Looks up query.column (and query.recordcount) for a scope name that is
// not one of cgi, url, form, variables or cookie. 1 with the value in out.
using QueryColumnResolver = int (*)(Request& request, const std::string& query,
                                    const std::string& column, std::string& out, size_t size);
// Installed by the database layer at start-up; without one, such names do
// not resolve.
void SetQueryColumnResolver(QueryColumnResolver resolver);

// Values of scoped names pass through a buffer of this size.
constexpr size_t kScopedValueSize = 1024;

}  // namespace kavr
