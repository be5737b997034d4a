// The kavcheck tag: runs the template syntax checker over code held in a
// variable or a file, writes the report to the file that RetFile names and
// puts the result ("1" or "0") into the variable that RetVar names.
#pragma once
#include <string>

namespace kavr {

struct Request;
struct TagCall;

int KavCheck(TagCall& call);

// Turns RetFile's logical name (already expanded) into a physical path the
// template may write. 1 with the path; 0 when refused (already reported).
// The file tags' layer installs it at start-up.
using ReportFileResolver = int (*)(Request& request, const std::string& logical, std::string& physical);
void SetReportFileResolver(ReportFileResolver resolver);

// Adds the kavcheck row to the tag table.
void RegisterKavCheckTag();

}  // namespace kavr
