#include "platform/dir_search.h"

#include <dirent.h>
#include <fnmatch.h>

#include <algorithm>

#include "platform/os_path.h"

namespace kavr::platform {

std::vector<std::string> find_files(const std::string& dir, const std::string& pattern) {
    std::vector<std::string> names;
    DIR* d = opendir(to_os_path(dir.empty() ? "." : dir).c_str());
    if (!d) return names;
    while (struct dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kavr::platform
