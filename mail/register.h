// Plugs the mail layer into the request core's hooks.
#pragma once
#include <string>

namespace kavr {

struct Request;

// Fills the spool flush and the administrator's error mail hooks.
void RegisterMailModule();

// Spools the error mail: no sender, the administrator as recipient,
// subject "Kavri&#153 Error", the error code as body. Best effort: the
// first step that fails removes what was written and gives 0.
int QueueErrorMail(Request& request, const std::string& to, const std::string& code);

}  // namespace kavr
