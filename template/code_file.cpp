#include "template/code_file.h"

namespace kavr {

namespace {
CodeFileResolver g_resolver = nullptr;
}

void SetCodeFileResolver(CodeFileResolver resolver) { g_resolver = resolver; }
CodeFileResolver GetCodeFileResolver() { return g_resolver; }

}  // namespace kavr
