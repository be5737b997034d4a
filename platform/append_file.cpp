#include "platform/append_file.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/os_path.h"

namespace kavr::platform {

bool AppendFile::open(const std::string& path, bool truncate) {
    close();
    int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    do {
        fd_ = ::open(to_os_path(path).c_str(), flags, 0666);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

void AppendFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool AppendFile::write(std::string_view bytes) {
    if (fd_ < 0) return false;
    // A file takes an appended text whole; a short write (a full disk)
    // leaves the rest to a further call.
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace kavr::platform
