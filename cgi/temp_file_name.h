// Names for files the request receives: uploads, and GetTempFileName.
#pragma once
#include <string>

namespace kavr {

// Creates a new empty file named "kavr" plus a unique part in the physical
// directory of the file access entry "\temp" (or, when that directory is
// unusable, in the system's temporary directory). physical is its path,
// logical is "\Temp\" plus its file name. False when no "\temp" entry is
// configured or no name can be made.
bool MakeUploadTempName(std::string& physical, std::string& logical);

}  // namespace kavr
