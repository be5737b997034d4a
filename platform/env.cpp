#include "platform/env.h"

#include <cstdlib>

namespace kavr::platform {

const char* env_get(const char* name) { return std::getenv(name); }

}  // namespace kavr::platform
