// The directory the program was started from: "kavri.ini" and
// "kavr_msg.ini" live there.
#pragma once
#include <string>

namespace kavr {

// Records argv[0] as invoked (links are not followed).
void SetProgramInvocation(const char* argv0);

// The directory part of argv[0] with "\" separators, "." when it holds no
// separator or was never recorded.
const std::string& ProgramDirectory();

}  // namespace kavr
