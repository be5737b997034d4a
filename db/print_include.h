// The include file of a print level: a file read through the logical
// paths, passed through or HTML-escaped line by line.
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace kavr {

struct Request;

struct IncludeFormat {
    bool preformat = false;  // "ON": inside <PRE>, lines escaped
    bool html = true;        // "OFF": lines as they are
};

IncludeFormat IncludeFormatOf(const std::string& preformat, const std::string& htmlformat);

// Reads the file named by a logical name (with its password) and gives
// its output piece by piece to emit. A file that cannot be resolved or
// opened is reported (10260) and skipped: the result is still 1 unless
// emit failed.
int OutputIncludeFile(Request& request, const std::string& name, const std::string& password,
                      const IncludeFormat& format,
                      const std::function<int(std::string_view)>& emit);

// Opens a file named by a logical name for reading; reported on failure.
int ResolveReadableFile(Request& request, const std::string& name, const std::string& password,
                        std::string& physical);

}  // namespace kavr
