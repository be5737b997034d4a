// What the template engine keeps in the request while templates run: how
// deeply constructs and inclusions are nested, so that a runaway template
// ends with an error instead of exhausting the stack.
#pragma once
#include "driver/core/request.h"

namespace kavr {

// Bodies of loops, branches and cases interpreted inside one another,
// counted across included templates.
constexpr int kMaxConstructDepth = 256;
// Templates open at once: the requested one and the ones it includes.
constexpr int kMaxTemplateDepth = 64;

struct TemplateRunState : ModuleState {
    int construct_depth = 0;
    int template_depth = 0;
};

// The request's state, made on first use.
TemplateRunState& RunState(Request& request);

}  // namespace kavr
