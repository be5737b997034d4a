#include "driver/modules.h"

#include "io/header_tags.h"
#include "io/register.h"
#include "template/register.h"
#include "db/register.h"
#include "expr/register.h"
#include "mail/register.h"

namespace kavr {

void RegisterModules() {
    // Each layer adds its registration call here as it lands.
    RegisterExprModule();
    RegisterTemplateModule();
    RegisterHeaderTags();
    RegisterIoModule();
    RegisterMailModule();
    RegisterDbModule();
}

}  // namespace kavr
