#include "driver/modules.h"

namespace kavr {

void RegisterModules() {
    // Each layer adds its registration call here as it lands.
}

}  // namespace kavr
