// Input masks of the "_mask" validation rule.
//
//   0  one digit            ?  any number of digits
//   A  one letter or digit  a  any number of letters or digits
//   Z  one letter           z  any number of letters
//   C  one printable character   c  any number of printable characters
//   \  the next mask character is taken literally
//   any other character matches itself
//
// Digits are ASCII; letters are ASCII, and on a utf-8 site also the letters
// of the case table (Latin with diacritics, Greek, Cyrillic); printable is
// 32..126 or 128 and above. On a utf-8 site each character of mask and
// value is one position, whatever its bytes; else each byte is.
#pragma once
#include <string_view>

namespace kavr {

// True when the whole value matches the whole mask. The search follows every
// way the "any number of" forms can split the value at once, so its time
// grows with mask length times value length, never exponentially; a search
// that would need more than about 50 million steps counts as no match.
bool MaskMatches(std::string_view mask, std::string_view value);

}  // namespace kavr
