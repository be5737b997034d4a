// Process environment: the CGI request arrives here.
#pragma once
#include <string>

namespace kavr::platform {

// The variable's value, or nullptr when it is not set. Read afresh each call.
const char* env_get(const char* name);

}  // namespace kavr::platform
