// Files of the site, named by internal ("\") paths.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace kavr::platform {

// What an open file denies to other openers of the same file while it is
// open, as long as they open it with open_shared too: every kavr process
// does, so the denial holds between concurrent requests.
enum class ShareMode { kShareAll, kDenyRead, kDenyWrite, kDenyReadWrite };

// What taking a new name came to. kTaken is the system's own answer at the
// moment of the attempt; looking again afterwards cannot tell, since
// another process may take the name and move its file on in between.
enum class NewName { kClaimed, kTaken, kFailed };

// An open file; closed when the object goes away. Text and binary modes are
// the same on this system, so "r" and "rb" behave alike.
class File {
public:
    File() = default;
    File(const std::string& path, const char* mode) { open(path, mode); }
    ~File() { close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept : fp_(other.fp_) { other.fp_ = nullptr; }

    bool open(const std::string& path, const char* mode);
    // Opens with a sharing mode ("r", "w", "a", with an optional "+"; "b"
    // and "t" are ignored). Fails, leaving the file untouched (a "w" open
    // truncates only once it is granted), when an open file denies this
    // access or this denial conflicts with an access already granted.
    bool open_shared(const std::string& path, const char* mode, ShareMode share);
    // Creates the file for binary writing, only if no file of that name
    // exists (one atomic step: never a check, then a create).
    NewName create_new(const std::string& path);
    void close();
    bool is_open() const { return fp_ != nullptr; }

    size_t read(char* buf, size_t size);
    bool write(std::string_view bytes);
    int getc();                 // -1 at end of file
    void ungetc(int c);
    bool flush();
    long size();                // bytes, -1 when unknown

private:
    FILE* fp_ = nullptr;
};

bool file_exists(const std::string& path);
bool is_directory(const std::string& path);
bool delete_file(const std::string& path);
// Fails when the destination exists, as a move of one file onto another must.
// A move to another file system copies the file and then removes it.
bool move_file(const std::string& from, const std::string& to);
// The same, telling a destination that exists (kTaken) from other failures.
NewName move_to_new_name(const std::string& from, const std::string& to);
// True when both paths name one existing file (links followed).
bool same_file(const std::string& a, const std::string& b);
// What tells one version of a file from another: a file that is written
// again gets a new modification time (and most often a new size); one that
// is replaced gets a new inode.
struct FileStamp {
    bool exists = false;
    long long size = 0;
    long long mtime_ns = 0;
    unsigned long long inode = 0;
    bool operator==(const FileStamp& o) const {
        return exists == o.exists && size == o.size && mtime_ns == o.mtime_ns && inode == o.inode;
    }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};
FileStamp file_stamp(const std::string& path);

// Reads a whole file; false when it cannot be opened.
bool read_whole_file(const std::string& path, std::string& out);

}  // namespace kavr::platform
