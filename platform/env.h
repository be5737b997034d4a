// The request's environment: the CGI variables arrive here (the process
// environment of a CGI run, the parameters of a FastCGI request).
#pragma once
#include <string>

namespace kavr::platform {

// The variable's value, or nullptr when it is not set. Read afresh each call.
const char* env_get(const char* name);

// The whole environment of the request, as a child process receives it.
char** env_all();

}  // namespace kavr::platform
