// One request from decoding to the echo blocks.
#pragma once

namespace kavr {

struct Request;

// Runs the request; always 1.
int RunRequest(Request& request);

}  // namespace kavr
