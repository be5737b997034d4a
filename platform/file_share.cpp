// Sharing modes between processes, built on advisory locks that every
// opener takes. Four marker bytes far beyond any real file content stand
// for "someone reads", "someone writes", "someone denies reading" and
// "someone denies writing"; each opener holds a shared lock on the markers
// that describe it, for as long as its descriptor is open. A new opener
// tests the markers it conflicts with and takes its own while holding an
// exclusive flock on the file, so that two openers cannot both pass the
// test before either has registered.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/file.h"
#include "platform/os_path.h"

namespace kavr::platform {

namespace {

constexpr off_t kMarkerBase = static_cast<off_t>(1) << 62;
enum Marker { kReading = 0, kWriting = 1, kDenyingRead = 2, kDenyingWrite = 3 };

struct Access {
    bool read = false, write = false, create = false, truncate = false, append = false;
};

bool parse_mode(const char* mode, Access& a) {
    if (!mode || !*mode) return false;
    bool plus = false;
    for (const char* p = mode + 1; *p; ++p) {
        if (*p == '+') plus = true;
        else if (*p != 'b' && *p != 't') return false;
    }
    switch (mode[0]) {
        case 'r': a.read = true; a.write = plus; break;
        case 'w': a.write = true; a.read = plus; a.create = a.truncate = true; break;
        case 'a': a.write = true; a.read = plus; a.create = a.append = true; break;
        default: return false;
    }
    return true;
}

// True when another open file description holds a lock on the marker.
bool marker_held(int fd, Marker m) {
    struct flock probe = {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = kMarkerBase + m;
    probe.l_len = 1;
    if (fcntl(fd, F_GETLK, &probe) != 0) return true;  // unknown: be cautious
    return probe.l_type != F_UNLCK;
}

bool hold_marker(int fd, Marker m) {
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkerBase + m;
    lock.l_len = 1;
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

int flock_retry(int fd, int op) {
    int rc;
    do {
        rc = flock(fd, op);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

// Tests and registers the access and denial; false when refused.
bool register_share(int fd, const Access& a, ShareMode share) {
    bool deny_read = share == ShareMode::kDenyRead || share == ShareMode::kDenyReadWrite;
    bool deny_write = share == ShareMode::kDenyWrite || share == ShareMode::kDenyReadWrite;
    if (flock_retry(fd, LOCK_EX) != 0) return false;
    bool refused = (a.read && marker_held(fd, kDenyingRead)) ||
                   (a.write && marker_held(fd, kDenyingWrite)) ||
                   (deny_read && marker_held(fd, kReading)) ||
                   (deny_write && marker_held(fd, kWriting));
    bool ok = !refused;
    // Every opener can read its descriptor (see open_flags), so shared
    // locks are always allowed.
    if (ok && a.read) ok = hold_marker(fd, kReading);
    if (ok && a.write) ok = hold_marker(fd, kWriting);
    if (ok && deny_read) ok = hold_marker(fd, kDenyingRead);
    if (ok && deny_write) ok = hold_marker(fd, kDenyingWrite);
    flock_retry(fd, LOCK_UN);
    return ok;
}

int open_flags(const Access& a) {
    // Writers open for reading too: a shared lock needs a readable
    // descriptor. Truncation waits until the open is granted.
    // Non-blocking while opening, so that a FIFO cannot hold the request.
    int flags = O_CLOEXEC | O_NONBLOCK | (a.write ? O_RDWR : O_RDONLY);
    if (a.create) flags |= O_CREAT;
    if (a.append) flags |= O_APPEND;
    return flags;
}

}  // namespace

bool File::open_shared(const std::string& path, const char* mode, ShareMode share) {
    close();
    Access a;
    if (!parse_mode(mode, a)) {
        errno = EINVAL;
        return false;
    }
    int fd;
    do {
        fd = ::open(to_os_path(path).c_str(), open_flags(a), 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    // Only plain files: a directory, FIFO or device is no file of the site.
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        errno = EACCES;
        return false;
    }
    if (!register_share(fd, a, share)) {
        ::close(fd);
        errno = EACCES;
        return false;
    }
    if (a.truncate && ftruncate(fd, 0) != 0) {
        ::close(fd);
        return false;
    }
    std::string stdio_mode(1, mode[0]);
    if (a.read && a.write) stdio_mode += '+';
    // fdopen neither truncates nor creates; "w" on a read-write descriptor
    // only writes.
    fp_ = fdopen(fd, stdio_mode.c_str());
    if (!fp_) {
        ::close(fd);
        return false;
    }
    return true;
}

}  // namespace kavr::platform
