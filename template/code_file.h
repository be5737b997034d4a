// Where kaveval finds the file that its CodeFile attribute names. Files
// that templates read go through the file access table of the file tags;
// that layer installs the resolver at start-up.
#pragma once
#include <string>

namespace kavr {

struct Request;

// Turns a logical file name (already expanded) into a physical path that
// the template may read. 1 with the path; 0 when refused (already
// reported, "CurFileName__" set).
using CodeFileResolver = int (*)(Request& request, const std::string& logical, std::string& physical);

void SetCodeFileResolver(CodeFileResolver resolver);
CodeFileResolver GetCodeFileResolver();

}  // namespace kavr
