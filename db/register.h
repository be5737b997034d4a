// Plugs the database layer into the request core's hooks.
#pragma once

namespace kavr {

void RegisterDbModule();

}  // namespace kavr
