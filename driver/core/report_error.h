// Error blocks for the browser, worded by the site's message catalog
// "kavr_msg.ini" (section "ErrorMsg") beside the program.
#pragma once
#include <string>

namespace kavr {

struct Request;
class ResponseStream;

// Writes one complete block for a five-digit code. False, with nothing
// written, when the catalog has no message for the code (or is missing);
// false with a partial block when a #name# substitution fails.
bool ReportError(Request& request, const std::string& code, ResponseStream& out);

// The fixed head of the form-validation page (code 10010), written only
// when first is true.
void ReportFormError(Request& request, bool first);

// Collapses "##" into "#" and a doubled double quote into one.
std::string CollapseDoubled(const std::string& text);

}  // namespace kavr
