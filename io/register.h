// Puts the file, profile, program and socket layer into the program: its
// tags, its built-in functions, and the file resolver that the layers
// below reach through a hook.
#pragma once

namespace kavr {

void RegisterIoModule();

}  // namespace kavr
