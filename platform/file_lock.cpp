#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os_path.h"

namespace kavr::platform {

bool FileLock::try_lock(const std::string& path) {
    release();
    std::string os = to_os_path(path);
    int fd = ::open(os.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat held, named;
    // flock belongs to this open file description: other descriptors of
    // the same file in this process (the reader of the message) neither
    // take it nor drop it.
    bool ok = flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 &&
              stat(os.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
              held.st_ino == named.st_ino;
    if (!ok) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void FileLock::release() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the claim
    fd_ = -1;
}

}  // namespace kavr::platform
