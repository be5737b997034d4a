// The diagnostic blocks that close a page when the configuration asks.
#pragma once

namespace kavr {

struct Request;

void WriteEchoBlocks(Request& request, long start_ms);

}  // namespace kavr
