// The reserved request values ("template", "action", "datasource", ...)
// and the special value forms ("currentdate()", "cgi.NAME").
#pragma once

namespace kavr {

struct Request;

// Passes every URL and form variable through the form-control handling.
void ApplyFormControls(Request& request);

}  // namespace kavr
