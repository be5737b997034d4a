// Upper and lower case of texts for the string functions and the letters
// of validation masks. Every site maps
// the ASCII letters; a utf-8 site also maps the letters that have one
// partner of the other case in Latin-1 Supplement (À-Þ, à-þ, ÿ),
// Latin Extended-A (Ā-ž, except the dotted and dotless i, ĸ, ŉ and ſ),
// Greek (Α-Ω, α-ω with the accented vowels; ς becomes Σ) and Cyrillic
// (А-я, Ѐ-Џ, ѐ-џ). Every mapping keeps the byte length, so positions in a
// mapped text are positions in the original; other characters (ß among
// them) and bytes outside a valid sequence are kept.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace kavr {

std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// An ASCII letter; on a utf-8 site also a letter of the table above or of
// Latin-1 Supplement and Latin Extended-A (ß among them).
bool IsLetter(uint32_t code_point);

}  // namespace kavr
