#include "platform/temp_name.h"

#include <stdlib.h>
#include <unistd.h>

#include <vector>

#include "platform/env.h"
#include "platform/os_path.h"

namespace kavr::platform {

static bool try_dir(const std::string& os_dir, const std::string& prefix, std::string& out) {
    std::string pattern = os_dir;
    if (pattern.empty()) pattern = ".";
    if (pattern.back() != '/') pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    int fd = mkstemp(buf.data());
    if (fd < 0) return false;
    close(fd);
    out = from_os_path(buf.data());
    return true;
}

bool make_temp_file(const std::string& dir, const std::string& prefix, std::string& out) {
    if (try_dir(to_os_path(dir), prefix, out)) return true;
    const char* tmp = env_get("TMPDIR");
    return try_dir(tmp && *tmp ? tmp : "/tmp", prefix, out);
}

bool make_temp_file_in_default_dir(const std::string& prefix, std::string& out) {
    const char* tmp = env_get("TMPDIR");
    if (tmp && *tmp && try_dir(tmp, prefix, out)) return true;
    return try_dir("/tmp", prefix, out);
}

}  // namespace kavr::platform
