// The "cgi", "url", "form" and "cookie" scopes through which templates read
// the request. Names compare without regard to case; the first entry in
// table order wins. A found value is copied into out cut to size - 1
// characters, as into a caller's buffer of that size.
#pragma once
#include <cstddef>
#include <string>

#include "driver/core/request.h"

namespace kavr {

// A known CGI name is always found (an unset variable gives ""); an unknown
// one is not.
bool CgiLookup(const std::string& name, std::string& out, size_t size);
// URL variables only.
bool UrlLookup(const RequestTables& t, const std::string& name, std::string& out, size_t size);
// Form variables only; failing those, the browser's file name of an upload
// sent under that field name.
bool FormLookup(const RequestTables& t, const std::string& name, std::string& out, size_t size);
bool CookieLookup(const RequestTables& t, const std::string& name, std::string& out, size_t size);
// True when the name (surrounding '#' removed first) is a form or URL
// variable.
bool IsParameter(const RequestTables& t, const std::string& name);

}  // namespace kavr
