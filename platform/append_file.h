// A file that is only ever appended to, shared by concurrent processes (the
// log): each write goes to the file's end in one system call, so texts of
// different writers never mix inside one write.
#pragma once
#include <string>
#include <string_view>

namespace kavr::platform {

class AppendFile {
public:
    AppendFile() = default;
    ~AppendFile() { close(); }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Creates the file when missing; empties it first when truncate is set.
    bool open(const std::string& path, bool truncate);
    void close();
    bool is_open() const { return fd_ >= 0; }
    // The whole text, at the end of the file.
    bool write(std::string_view bytes);

private:
    int fd_ = -1;
};

}  // namespace kavr::platform
