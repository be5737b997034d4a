// Addresses and the subject travel into SMTP command and header lines; a
// carriage return, line feed or zero byte inside one would end that line
// early and let the rest pose as a command or header of its own.
#pragma once
#include <string_view>

namespace kavr {

// True when the text can stand on one command or header line.
bool IsSingleLineValue(std::string_view text);

}  // namespace kavr
