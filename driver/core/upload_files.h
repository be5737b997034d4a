// The temporary files of a request's uploads. They belong to the request:
// when it ends (after the response and the mail delivery, which may attach
// them) they are removed, unless the site keeps uploads or the template
// moved them away.
#pragma once
#include <string>
#include <vector>

namespace kavr {

class UploadFiles {
public:
    UploadFiles() = default;
    ~UploadFiles() { remove_all(); }
    UploadFiles(const UploadFiles&) = delete;
    UploadFiles& operator=(const UploadFiles&) = delete;
    UploadFiles(UploadFiles&& other) noexcept : paths_(std::move(other.paths_)) { other.paths_.clear(); }
    UploadFiles& operator=(UploadFiles&& other) noexcept;

    // A file to remove at the end; with keep it is left where it is.
    void add(const std::string& physical_path, bool keep);
    const std::vector<std::string>& paths() const { return paths_; }

private:
    void remove_all();
    std::vector<std::string> paths_;
};

}  // namespace kavr
