#include "mail/header_guard.h"

namespace kavr {

bool IsSingleLineValue(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace kavr
