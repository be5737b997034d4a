#include "driver/modules.h"

#include "io/header_tags.h"
#include "io/register.h"
#include "template/register.h"
#include "db/register.h"
#include "expr/register.h"
#include "mail/register.h"
#include "driver/core/request.h"
#include "io/resolve_file_path.h"
#include "template/code_file.h"
#include "template/tag_kavcheck.h"

namespace kavr {

void RegisterModules() {
    // Each layer adds its registration call here as it lands.
    RegisterExprModule();
    RegisterTemplateModule();
    RegisterHeaderTags();
    RegisterIoModule();
    RegisterMailModule();
    RegisterDbModule();

    // kavcheck: the syntax checker's tag; its report file is written through
    // the file access table, without a password.
    RegisterKavCheckTag();
    SetReportFileResolver([](Request& r, const std::string& logical, std::string& physical) {
        return ResolveFilePath(r, logical, physical, "w", "", r.out);
    });
    // kaveval CodeFile: the code file is read through the file access table,
    // without a password.
    SetCodeFileResolver([](Request& r, const std::string& logical, std::string& physical) {
        return ResolveFilePath(r, logical, physical, "r", "", r.out);
    });
}

}  // namespace kavr
