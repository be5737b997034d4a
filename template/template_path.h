// From a requested template value to a file: normalisation, permissions
// from the untrusted script table, logical path resolution and the refusal
// of values that would leave the site.
#pragma once
#include <string>

namespace kavr {

struct Request;

// "#name#" expanded, a leading "\" added when missing, "/" turned into "\".
std::string NormalizeTemplateValue(Request& request, const std::string& value);

// Sets the request's five template permissions for the requested value.
void DeriveTemplatePermissions(Request& request, const std::string& value);

struct ResolvedTemplate {
    std::string path;     // physical path (at most 1023 characters)
    bool refused = false;  // the value would reach outside the site
    std::string reason;   // why it was refused, for the log
};

// Resolves a requested value through the logical path table (longest
// prefix, default extension, "CurTemplateName__"). A value with a ".."
// segment, a value that matches no logical prefix while prefixes are
// configured, or an absolute value while none are, is refused.
ResolvedTemplate ResolveTemplatePath(Request& request, const std::string& value);

// True when a physical file name ("\" or "/") lies inside one of the
// configured physical template directories, by whole path segments, and
// holds no ".." segment.
bool InsideTemplateDirectory(const std::string& path);

// The directory part of a resolved path ("c:" for a bare drive).
std::string TemplateDirectory(const std::string& resolved);

// Logs why a template value was refused (level 3).
void LogTemplateRefusal(const Request& request, const ResolvedTemplate& t);

}  // namespace kavr
