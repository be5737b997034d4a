// Small text helpers shared by every layer.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

inline char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string ToLower(std::string_view s);
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Position of needle in haystack ignoring case, or npos.
size_t FindNoCase(std::string_view haystack, std::string_view needle);

// Hash and equality of names that ignore ASCII case, so that a table of
// names is searched without building a lower-cased copy of each name.
struct NoCaseHash {
    size_t operator()(std::string_view s) const {
        size_t h = 14695981039346656037ull;
        for (char c : s) h = (h ^ static_cast<unsigned char>(LowerAscii(c))) * 1099511628211ull;
        return h;
    }
};
struct NoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const { return EqualsNoCase(a, b); }
};

// The one HTML escaping of the program (HTMLEditFormat, include files,
// visitor text on the pages the program builds): "<", ">", "&", '"' and "`"
// as entities, carriage returns dropped, the Latin-1 letters and signs of
// 160 to 255 that the table names as numeric entities; on a utf-8 site the
// table is read over whole characters, so every other character is copied
// whole and a byte outside a valid sequence is read as Latin-1. Stops
// before the first piece that would pass limit bytes.
std::string HtmlEscape(std::string_view text, size_t limit = std::string_view::npos);

// Every "##" read as one "#" (code held in variables keeps its references
// doubled).
std::string CollapseHashes(std::string_view text);

// Reads an optional sign and decimal digits at the start of text, as "%d"
// does (leading blanks skipped). Values beyond the 32-bit range saturate.
// False, with value untouched, when the text does not start with a number.
bool ParseLeadingInt(std::string_view text, int& value);
bool ParseLeadingLong(std::string_view text, long& value);

}  // namespace kavr
