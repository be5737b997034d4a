#include "driver/modules.h"

#include "mail/register.h"

namespace kavr {

void RegisterModules() {
    // Each layer adds its registration call here as it lands.
    RegisterMailModule();
}

}  // namespace kavr
