#include "driver/core/upload_files.h"

#include "platform/file.h"

namespace kavr {

UploadFiles& UploadFiles::operator=(UploadFiles&& other) noexcept {
    if (this != &other) {
        remove_all();
        paths_ = std::move(other.paths_);
        other.paths_.clear();
    }
    return *this;
}

void UploadFiles::add(const std::string& physical_path, bool keep) {
    if (!keep) paths_.push_back(physical_path);
}

// A file the template renamed is gone already; deleting it again fails
// harmlessly.
void UploadFiles::remove_all() {
    for (const std::string& path : paths_) platform::delete_file(path);
    paths_.clear();
}

}  // namespace kavr
