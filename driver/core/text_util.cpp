#include "driver/core/text_util.h"

#include <climits>

namespace kavr {

std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

size_t FindNoCase(std::string_view haystack, std::string_view needle) {
    if (needle.size() > haystack.size()) return std::string_view::npos;
    for (size_t i = 0; i + needle.size() <= haystack.size(); ++i)
        if (EqualsNoCase(haystack.substr(i, needle.size()), needle)) return i;
    return std::string_view::npos;
}

std::string CollapseHashes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '#' && i + 1 < text.size() && text[i + 1] == '#') ++i;
    }
    return out;
}

static bool parse_leading(std::string_view text, long long lo, long long hi, long long& out) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (v <= hi) v = v * 10 + (text[i] - '0');  // stops growing once out of range
    }
    if (neg) v = -v;
    out = v < lo ? lo : (v > hi ? hi : v);
    return true;
}

bool ParseLeadingInt(std::string_view text, int& value) {
    long long v;
    if (!parse_leading(text, INT_MIN, INT_MAX, v)) return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseLeadingLong(std::string_view text, long& value) {
    long long v;
    if (!parse_leading(text, LONG_MIN / 2, LONG_MAX / 2, v)) return false;
    value = static_cast<long>(v);
    return true;
}

}  // namespace kavr
