#include "driver/core/program_dir.h"

#include "platform/os_path.h"

namespace kavr {

static std::string g_program_dir = ".";

void SetProgramInvocation(const char* argv0) {
    std::string inv = platform::from_os_path(argv0 ? argv0 : "");
    size_t slash = inv.rfind('\\');
    if (slash == std::string::npos) {
        g_program_dir = ".";
    } else if (slash == 0) {
        g_program_dir = "\\";  // the root directory itself
    } else {
        g_program_dir = inv.substr(0, slash);
    }
}

const std::string& ProgramDirectory() { return g_program_dir; }

}  // namespace kavr
