// Cookie values as they travel in Set-Cookie and Cookie headers. A value
// may not hold ";", ",", blanks, quotes, backslashes or control bytes: a
// value written raw could end the pair and add attributes of its sender's
// choosing ("x; Path=/"). Such bytes, and "%" itself, go out as "%XX" and
// come back decoded, so reading a cookie gives the value that was set.
// Cookies set by others keep their other escapes as written.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

// "%XX" for every byte a cookie value may not hold, and for "%" and (for
// names) "=".
std::string CookieEncode(std::string_view text, bool is_name);

// "%XX" becomes that byte where it is one that CookieEncode escapes; every
// other text, "%41" say, stays as it came.
std::string CookieDecode(std::string_view text);

}  // namespace kavr
