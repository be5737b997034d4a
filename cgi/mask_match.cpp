#include "cgi/mask_match.h"

#include <algorithm>
#include <vector>

namespace kavr {

namespace {

enum class Class { kDigit, kAlnum, kLetter, kPrintable, kLiteral };

struct MaskItem {
    Class cls;
    bool repeat;  // any number, none included
    char literal;
};

bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_letter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool item_matches(const MaskItem& m, unsigned char c) {
    switch (m.cls) {
        case Class::kDigit: return is_digit(c);
        case Class::kAlnum: return is_digit(c) || is_letter(c);
        case Class::kLetter: return is_letter(c);
        case Class::kPrintable: return (c >= 32 && c <= 126) || c >= 128;
        case Class::kLiteral: return c == static_cast<unsigned char>(m.literal);
    }
    return false;
}

// A "\" at the very end has nothing to escape and stands for itself.
std::vector<MaskItem> parse(std::string_view mask) {
    std::vector<MaskItem> items;
    for (size_t i = 0; i < mask.size(); ++i) {
        char c = mask[i];
        switch (c) {
            case '0': items.push_back({Class::kDigit, false, 0}); break;
            case '?': items.push_back({Class::kDigit, true, 0}); break;
            case 'A': items.push_back({Class::kAlnum, false, 0}); break;
            case 'a': items.push_back({Class::kAlnum, true, 0}); break;
            case 'Z': items.push_back({Class::kLetter, false, 0}); break;
            case 'z': items.push_back({Class::kLetter, true, 0}); break;
            case 'C': items.push_back({Class::kPrintable, false, 0}); break;
            case 'c': items.push_back({Class::kPrintable, true, 0}); break;
            case '\\':
                if (i + 1 < mask.size()) c = mask[++i];
                items.push_back({Class::kLiteral, false, c});
                break;
            default: items.push_back({Class::kLiteral, false, c}); break;
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
    for (char ch : value) {
        unsigned char c = static_cast<unsigned char>(ch);
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
