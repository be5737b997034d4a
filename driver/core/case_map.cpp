#include "driver/core/case_map.h"

#include "driver/core/charset.h"

namespace kavr {

namespace {

// Upper-case letters lo..hi and their lower case at + delta; with step 2
// only every second code point from lo is upper case (the pairs of
// Latin Extended-A).
struct CaseRange {
    uint32_t lo, hi;
    int delta;
    int step;
};

const CaseRange kRanges[] = {
    {0x41, 0x5A, 32, 1},     {0xC0, 0xD6, 32, 1},    {0xD8, 0xDE, 32, 1},
    {0x100, 0x12F, 1, 2},    {0x132, 0x137, 1, 2},   {0x139, 0x148, 1, 2},
    {0x14A, 0x177, 1, 2},    {0x178, 0x178, -121, 1}, {0x179, 0x17E, 1, 2},
    {0x386, 0x386, 38, 1},   {0x388, 0x38A, 37, 1},  {0x38C, 0x38C, 64, 1},
    {0x38E, 0x38F, 63, 1},   {0x391, 0x3A1, 32, 1},  {0x3A3, 0x3AB, 32, 1},
    {0x400, 0x40F, 80, 1},   {0x410, 0x42F, 32, 1},
};

bool is_upper_in(const CaseRange& r, uint32_t cp) {
    return cp >= r.lo && cp <= r.hi && (cp - r.lo) % static_cast<uint32_t>(r.step) == 0;
}

uint32_t to_lower(uint32_t cp) {
    for (const CaseRange& r : kRanges)
        if (is_upper_in(r, cp)) return static_cast<uint32_t>(static_cast<int>(cp) + r.delta);
    return cp;
}

uint32_t to_upper(uint32_t cp) {
    if (cp == 0x3C2) return 0x3A3;  // final sigma
    for (const CaseRange& r : kRanges) {
        uint32_t up = static_cast<uint32_t>(static_cast<int>(cp) - r.delta);
        if (is_upper_in(r, up)) return up;
    }
    return cp;
}

std::string map_case(std::string_view text, uint32_t (*map)(uint32_t)) {
    std::string out(text);
    const bool utf8 = Utf8Site();
    for (size_t at = 0; at < out.size();) {
        uint32_t cp = static_cast<unsigned char>(out[at]);
        size_t len = cp < 0x80 ? 1 : (utf8 ? Utf8SequenceAt(out, at, &cp) : 0);
        if (len == 0) {  // a byte of its own: only ASCII letters change
            ++at;
            continue;
        }
        uint32_t mapped = map(cp);
        if (mapped != cp) out.replace(at, len, EncodeUtf8(mapped));
        at += len;
    }
    return out;
}

}  // namespace

bool IsLetter(uint32_t cp) {
    if (cp >= 0x80 && !Utf8Site()) return false;
    // ß, ĸ, ŉ, ſ and the dotted and dotless i have no partner in the table.
    if (cp >= 0xDF && cp <= 0x17F && cp != 0xF7) return true;
    return to_lower(cp) != cp || to_upper(cp) != cp;
}

std::string UpperCase(std::string_view text) { return map_case(text, to_upper); }
std::string LowerCase(std::string_view text) { return map_case(text, to_lower); }

}  // namespace kavr
