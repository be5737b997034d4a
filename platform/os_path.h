// Paths travel through the system with "\" as separator; only this layer
// turns them into the "/" form the operating system expects.
#pragma once
#include <string>
#include <string_view>

namespace kavr::platform {

// "\" -> "/" for a path handed to the operating system.
std::string to_os_path(std::string_view internal);

// "/" -> "\" for a path that enters the system from the OS.
std::string from_os_path(std::string_view os);

}  // namespace kavr::platform
