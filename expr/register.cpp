#include "expr/register.h"

#include "driver/core/hooks.h"
#include "expr/variables.h"

namespace kavr {

namespace {

// An error raised while a catalog text is being substituted (a catalog
// text that divides by zero, say) would report again and substitute the
// same text again: the inner report gets no substitution instead.
bool g_substituting = false;

int substitute_catalog_text(Request& request, std::string& text, size_t capacity) {
    if (g_substituting) return 0;
    g_substituting = true;
    // The catalog's own HTML stays; what a reference brings in may be a
    // visitor's text and is escaped.
    int ok = ExpandAttribute(kExpandHtml, text, capacity, request);
    g_substituting = false;
    return ok;
}

}  // namespace

void RegisterExprModule() { g_hooks.substitute = substitute_catalog_text; }

}  // namespace kavr
