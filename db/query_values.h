// Query values for expressions: #query.column#, #query.recordcount#, and
// the functions valuelist and quotedvaluelist.
#pragma once
#include <cstddef>
#include <string>

namespace kavr {

struct Request;
struct FunctionCall;

// The query-column resolver of the expression layer. 1 with the value
// (cut to size - 1 characters) in out; 0 for an unknown query or column,
// or a failed run (reported on the page).
int QueryColumnValue(Request& request, const std::string& query, const std::string& column,
                     std::string& out, size_t size);

// valuelist(query.column) and quotedvaluelist(query.column).
int ValueListFunction(FunctionCall& call);

}  // namespace kavr
