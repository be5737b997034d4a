#include <sys/stat.h>

#include "platform/file.h"
#include "platform/os_path.h"

namespace kavr::platform {

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (stat(to_os_path(a).c_str(), &sa) != 0 || stat(to_os_path(b).c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

FileStamp file_stamp(const std::string& path) {
    FileStamp f;
    struct stat st;
    if (stat(to_os_path(path).c_str(), &st) != 0) return f;
    f.exists = true;
    f.size = static_cast<long long>(st.st_size);
    f.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    f.inode = static_cast<unsigned long long>(st.st_ino);
    return f;
}

}  // namespace kavr::platform
