#include "expr/register.h"

#include "driver/core/hooks.h"
#include "expr/variables.h"

namespace kavr {

namespace {

int substitute_catalog_text(Request& request, std::string& text, size_t capacity) {
    return ExpandAttribute(kExpandText, text, capacity, request);
}

}  // namespace

void RegisterExprModule() { g_hooks.substitute = substitute_catalog_text; }

}  // namespace kavr
