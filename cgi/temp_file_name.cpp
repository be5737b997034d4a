#include "cgi/temp_file_name.h"

#include "driver/core/config.h"
#include "driver/core/text_util.h"
#include "platform/temp_name.h"

namespace kavr {

bool MakeUploadTempName(std::string& physical, std::string& logical) {
    const FileAccessEntry* temp = nullptr;
    for (const FileAccessEntry& e : g_config.file_access) {
        if (EqualsNoCase(e.logical_path, "\\temp")) {
            temp = &e;
            break;
        }
    }
    if (!temp) return false;
    std::string made;
    if (!platform::make_temp_file(temp->physical_path, "kavr", made)) return false;
    size_t sep = made.find_last_of('\\');
    physical = made;
    logical = "\\Temp\\" + (sep == std::string::npos ? made : made.substr(sep + 1));
    return true;
}

}  // namespace kavr
