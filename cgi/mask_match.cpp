#include "cgi/mask_match.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "driver/core/case_map.h"
#include "driver/core/charset.h"

namespace kavr {

namespace {

enum class Class { kDigit, kAlnum, kLetter, kPrintable, kLiteral };

struct MaskItem {
    Class cls;
    bool repeat;  // any number, none included
    std::string_view literal;
};

// One character of the value: its code point (a byte outside a valid
// sequence, and every byte on a single-byte site, stands for itself) and
// its bytes.
struct Char {
    uint32_t cp;
    std::string_view bytes;
};

Char char_at(std::string_view text, size_t at) {
    size_t len = CharLengthAt(text, at);
    uint32_t cp = static_cast<unsigned char>(text[at]);
    if (len > 1) Utf8SequenceAt(text, at, &cp);
    return Char{cp, text.substr(at, len)};
}

bool is_digit(uint32_t c) { return c >= '0' && c <= '9'; }

bool item_matches(const MaskItem& m, const Char& c) {
    switch (m.cls) {
        case Class::kDigit: return is_digit(c.cp);
        case Class::kAlnum: return is_digit(c.cp) || IsLetter(c.cp);
        case Class::kLetter: return IsLetter(c.cp);
        case Class::kPrintable: return (c.cp >= 32 && c.cp <= 126) || c.cp >= 128;
        case Class::kLiteral: return c.bytes == m.literal;
    }
    return false;
}

// A "\" at the very end has nothing to escape and stands for itself.
std::vector<MaskItem> parse(std::string_view mask) {
    std::vector<MaskItem> items;
    for (size_t i = 0; i < mask.size(); i += CharLengthAt(mask, i)) {
        switch (mask[i]) {
            case '0': items.push_back({Class::kDigit, false, {}}); break;
            case '?': items.push_back({Class::kDigit, true, {}}); break;
            case 'A': items.push_back({Class::kAlnum, false, {}}); break;
            case 'a': items.push_back({Class::kAlnum, true, {}}); break;
            case 'Z': items.push_back({Class::kLetter, false, {}}); break;
            case 'z': items.push_back({Class::kLetter, true, {}}); break;
            case 'C': items.push_back({Class::kPrintable, false, {}}); break;
            case 'c': items.push_back({Class::kPrintable, true, {}}); break;
            case '\\':
                if (i + 1 < mask.size()) ++i;
                items.push_back({Class::kLiteral, false, char_at(mask, i).bytes});
                break;
            default: items.push_back({Class::kLiteral, false, char_at(mask, i).bytes}); break;
        }
    }
    return items;
}

// A repeating item may match nothing: whoever stands before it also stands
// after it.
void close_over_empty(const std::vector<MaskItem>& items, std::vector<char>& at) {
    for (size_t p = 0; p < items.size(); ++p)
        if (at[p] && items[p].repeat) at[p + 1] = 1;
}

constexpr unsigned long long kStepBudget = 50000000ull;

}  // namespace

bool MaskMatches(std::string_view mask, std::string_view value) {
    const std::vector<MaskItem> items = parse(mask);
    const size_t n = items.size();
    // at[p]: the value read so far can be matched by the first p items.
    std::vector<char> at(n + 1, 0), next(n + 1, 0);
    at[0] = 1;
    close_over_empty(items, at);
    unsigned long long steps = 0;
    for (size_t i = 0; i < value.size(); i += CharLengthAt(value, i)) {
        const Char c = char_at(value, i);
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (size_t p = 0; p < n; ++p) {
            if (!at[p] || !item_matches(items[p], c)) continue;
            next[items[p].repeat ? p : p + 1] = 1;
            any = true;
        }
        if (!any) return false;
        steps += n + 1;
        if (steps > kStepBudget) return false;
        close_over_empty(items, next);
        at.swap(next);
    }
    return at[n] != 0;
}

}  // namespace kavr
