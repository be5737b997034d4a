// Directory search by wildcard ("*" and "?"), for the mail spool.
#pragma once
#include <string>
#include <vector>

namespace kavr::platform {

// File names (without directory) in dir that match pattern, sorted by name.
std::vector<std::string> find_files(const std::string& dir, const std::string& pattern);

}  // namespace kavr::platform
