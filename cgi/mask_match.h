// Input masks of the "_mask" validation rule.
//
//   0  one digit            ?  any number of digits
//   A  one letter or digit  a  any number of letters or digits
//   Z  one letter           z  any number of letters
//   C  one printable byte   c  any number of printable bytes
//   \  the next mask character is taken literally
//   any other character matches itself
//
// Letters and digits are ASCII; printable is 32..126 or 128 and above.
#pragma once
#include <string_view>

namespace kavr {

// True when the whole value matches the whole mask. The search follows every
// way the "any number of" forms can split the value at once, so its time
// grows with mask length times value length, never exponentially; a search
// that would need more than about 50 million steps counts as no match.
bool MaskMatches(std::string_view mask, std::string_view value);

}  // namespace kavr
