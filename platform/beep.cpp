#include "platform/beep.h"

namespace kavr::platform {

void beep(int, int) {}

}  // namespace kavr::platform
