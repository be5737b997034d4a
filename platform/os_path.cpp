#include "platform/os_path.h"

namespace kavr::platform {

static std::string replace_all(std::string_view in, char from, char to) {
    std::string out(in);
    for (char& c : out)
        if (c == from) c = to;
    return out;
}

std::string to_os_path(std::string_view internal) { return replace_all(internal, '\\', '/'); }

std::string from_os_path(std::string_view os) { return replace_all(os, '/', '\\'); }

}  // namespace kavr::platform
