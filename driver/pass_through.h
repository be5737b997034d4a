// Files sent to the browser as they are: the static pass-through of a
// non-template request and the next page after a form-driven statement.
#pragma once
#include <string>

namespace kavr {

struct Request;

// Copies the file unchanged (it carries its own header). False when it
// cannot be opened.
bool PassThroughFile(Request& request, const std::string& path);

// The page shown after a successful form-driven insert or update.
void ShowNextPage(Request& request);

}  // namespace kavr
