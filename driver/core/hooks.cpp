#include "driver/core/hooks.h"

namespace kavr {

Hooks g_hooks;

}  // namespace kavr
