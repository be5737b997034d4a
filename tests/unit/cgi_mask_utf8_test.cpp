// Validation masks count characters on a utf-8 site and bytes elsewhere.
#include <gtest/gtest.h>

#include "cgi/mask_match.h"
#include "tests/unit/charset_scope.h"

namespace kavr {
namespace {

TEST(MaskCharacters, PositionsAndLettersFollowTheSetting) {
    struct Case {
        const char* mask;
        const char* value;
        bool utf8, bytes;
    } cases[] = {
        {"CCC", "Zo\xc3\xab", true, false},          // "Zoë": three characters, four bytes
        {"CCCC", "Zo\xc3\xab", false, true},         // (CCCC: four bytes are printable)
        {"Zzz", "K\xc3\xb6ln", true, false},         // ö is a letter on a utf-8 site
        {"ZZZZ", "K\xc3\xb6ln", true, false},
        {"z", "Stra\xc3\x9f" "e", true, false},     // ß too
        {"z", "\xce\xa3\xce\xbf\xcf\x86\xce\xaf\xce\xb1", true, false},
        {"CC", "\xe6\x97\xa5\xe6\x9c\xac", true, false},   // two CJK characters
        {"Z", "\xe6\x97\xa5", false, false},                // no letter of the table
        {"0\xe2\x82\xac", "5\xe2\x82\xac", true, true},     // a literal of three bytes
        {"00\xc3\xa9", "12\xc3\xa9", true, true},
        {"0C", "1\xe9", true, true},                         // a lone byte is one character
        {"Z", "\xe9", true, false},  // a lone byte reads as Latin-1 on a utf-8 site
    };
    for (const Case& c : cases) {
        {
            test::ScopedCharset utf8(true);
            EXPECT_EQ(MaskMatches(c.mask, c.value), c.utf8) << c.mask << " / " << c.value << " (utf-8)";
        }
        test::ScopedCharset bytes(false);
        EXPECT_EQ(MaskMatches(c.mask, c.value), c.bytes) << c.mask << " / " << c.value << " (bytes)";
    }
}

}  // namespace
}  // namespace kavr
