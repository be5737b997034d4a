// Fills the hook table and the tag and function tables with every layer
// linked into the program.
#pragma once

namespace kavr {

void RegisterModules();

}  // namespace kavr
