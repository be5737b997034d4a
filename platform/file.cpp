#include "platform/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/os_path.h"

namespace kavr::platform {

bool File::open(const std::string& path, const char* mode) {
    close();
    fp_ = fopen(to_os_path(path).c_str(), mode);
    return fp_ != nullptr;
}

NewName File::create_new(const std::string& path) {
    close();
    fp_ = fopen(to_os_path(path).c_str(), "wbx");
    if (fp_) return NewName::kClaimed;
    return errno == EEXIST ? NewName::kTaken : NewName::kFailed;
}

void File::close() {
    if (fp_) fclose(fp_);
    fp_ = nullptr;
}

size_t File::read(char* buf, size_t size) { return fp_ ? fread(buf, 1, size, fp_) : 0; }

bool File::write(std::string_view bytes) {
    if (!fp_) return false;
    return bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), fp_) == bytes.size();
}

int File::getc() { return fp_ ? ::getc(fp_) : -1; }

void File::ungetc(int c) {
    if (fp_ && c >= 0) ::ungetc(c, fp_);
}

bool File::flush() { return fp_ && fflush(fp_) == 0; }

long File::size() {
    if (!fp_) return -1;
    struct stat st;
    if (fstat(fileno(fp_), &st) != 0) return -1;
    return static_cast<long>(st.st_size);
}

bool file_exists(const std::string& path) {
    struct stat st;
    return stat(to_os_path(path).c_str(), &st) == 0;
}

bool is_directory(const std::string& path) {
    struct stat st;
    return stat(to_os_path(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool delete_file(const std::string& path) { return unlink(to_os_path(path).c_str()) == 0; }

namespace {

bool write_all(int fd, const char* data, size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// A move to another file system: the copy is made under the new name
// (created exclusively) and on disk before the original goes, so a failure
// at any point leaves the original, never neither.
NewName copy_to_new_name(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return NewName::kFailed;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        NewName why = errno == EEXIST ? NewName::kTaken : NewName::kFailed;
        ::close(in);
        return why;
    }
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!write_all(out, buf, static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    ok = fsync(out) == 0 && ok;
    ok = ::close(out) == 0 && ok;
    if (!ok) {
        unlink(to.c_str());
        return NewName::kFailed;
    }
    unlink(from.c_str());
    return NewName::kClaimed;
}

}  // namespace

NewName move_to_new_name(const std::string& from, const std::string& to) {
    // link + unlink refuses an existing destination, unlike rename().
    std::string f = to_os_path(from), t = to_os_path(to);
    if (link(f.c_str(), t.c_str()) == 0) {
        unlink(f.c_str());
        return NewName::kClaimed;
    }
    if (errno == EEXIST) return NewName::kTaken;
    if (errno == EXDEV) return copy_to_new_name(f, t);
    return NewName::kFailed;
}

bool move_file(const std::string& from, const std::string& to) {
    return move_to_new_name(from, to) == NewName::kClaimed;
}

bool read_whole_file(const std::string& path, std::string& out) {
    File f(path, "rb");
    if (!f.is_open()) return false;
    out.clear();
    // The size known now is read in one piece; whatever the file has grown
    // by meanwhile follows.
    long size = f.size();
    if (size > 0) {
        out.resize(static_cast<size_t>(size));
        out.resize(f.read(out.data(), out.size()));
    }
    char buf[8192];
    size_t n;
    while ((n = f.read(buf, sizeof buf)) > 0) out.append(buf, n);
    return true;
}

}  // namespace kavr::platform
