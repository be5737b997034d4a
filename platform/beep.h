// The speaker.
#pragma once

namespace kavr::platform {

// Sounds the speaker at freq Hz for ms milliseconds. A CGI program runs on
// a server with no speaker and no console, so this is silent.
void beep(int freq, int ms);

}  // namespace kavr::platform
