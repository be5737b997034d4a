// Built-in functions of the expression language that read the site
// around the request: the configuration file, uploads, temporary names
// and the template's directory.
#pragma once
#include <string>

#include "expr/functions.h"

namespace kavr {

namespace platform {
class ProfileFile;
}

int FnKavIniGet(FunctionCall& call);
int FnKavIniRefresh(FunctionCall& call);
int FnUploadFile(FunctionCall& call);
int FnGetTempFileName(FunctionCall& call);
int FnCurrentPath(FunctionCall& call);

// The product information keys, answered without reading any file. 1 with
// the value for such a key.
int ProductInformation(const std::string& key, std::string& value);

// A key of "kavri.ini" as KavIniGet reads it: a product key, else the first
// non-empty value in Admin, Main, Template, Log, SMTP, ODBC, FILE IO,
// KAVRUN (up to 99 characters), else "".
std::string ConfigurationValue(const platform::ProfileFile& ini, const std::string& key);

// Fills the function table's rows for these functions.
void RegisterEnvironmentFunctions();

}  // namespace kavr
