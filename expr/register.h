// Hooks the expression layer fills at start-up.
#pragma once

namespace kavr {

// Installs the attribute expander as the substitution of the error
// catalog's texts.
void RegisterExprModule();

}  // namespace kavr
