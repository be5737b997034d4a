#include <sys/stat.h>

#include "platform/file.h"
#include "platform/os_path.h"

namespace kavr::platform {

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (stat(to_os_path(a).c_str(), &sa) != 0 || stat(to_os_path(b).c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace kavr::platform
