// Puts the template engine into the program: the template run hook and
// the rows of the engine's own tags.
#pragma once

namespace kavr {

void RegisterTemplateModule();

}  // namespace kavr
