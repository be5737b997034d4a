// An exclusive claim on one file between processes. The system drops the
// claim of a process that ends or dies, so a claim can never be left behind.
#pragma once
#include <string>

namespace kavr::platform {

class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the claim without waiting. False when another holder has it,
    // when the file does not exist, or when the file was moved or replaced
    // between opening and claiming (the claim would then guard another
    // file than the one the path names now).
    bool try_lock(const std::string& path);
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace kavr::platform
