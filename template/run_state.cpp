#include "template/run_state.h"

namespace kavr {

TemplateRunState& RunState(Request& request) {
    // Only this file puts anything into template_state, so the cast holds.
    if (!request.template_state) request.template_state = std::make_unique<TemplateRunState>();
    return static_cast<TemplateRunState&>(*request.template_state);
}

}  // namespace kavr
