// Unique temporary file names.
#pragma once
#include <string>

namespace kavr::platform {

// Creates an empty file with a unique name made of the prefix and a unique
// part in directory dir (internal path) and returns its internal path. When
// dir is unusable the system's default temporary directory is used instead.
// False only when no name could be made at all.
bool make_temp_file(const std::string& dir, const std::string& prefix, std::string& out);

// The same in the system's default temporary directory.
bool make_temp_file_in_default_dir(const std::string& prefix, std::string& out);

}  // namespace kavr::platform
