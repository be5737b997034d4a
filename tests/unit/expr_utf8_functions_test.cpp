// The string functions on mixed text, as a utf-8 site and as a site of a
// single-byte character set sees them.
#include <gtest/gtest.h>

#include "tests/unit/charset_scope.h"
#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

struct Case {
    const char* expr;
    std::string utf8;   // result on a utf-8 site ("FAIL": the call fails)
    std::string bytes;  // result on an iso-8859-1 site
};

// "Zoë 日本😀" is 7 characters in 15 bytes; "caf\xe9" ends in a Latin-1
// byte that is no UTF-8.
void run(const std::vector<Case>& cases) {
    for (bool utf8 : {true, false}) {
        test::ScopedCharset charset(utf8);
        test::ExprEnv env;
        env.set("mixed", "Zo\xc3\xab \xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80");
        env.set("latin", "caf\xe9");
        env.set("city", "K\xc3\xb6ln");
        env.set("lone", "\xab");
        env.set("upper", "\xc3\x84\xc3\x96\xc3\x9c \xc5\x81\xc3\x93" "D\xc5\xb9 \xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91 "
                         "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 \xc3\x9f");
        for (const Case& c : cases)
            EXPECT_EQ(env.eval(c.expr), utf8 ? c.utf8 : c.bytes) << c.expr << (utf8 ? " (utf-8)" : " (bytes)");
    }
}

TEST(Utf8StringFunctions, LengthsAndSubstrings) {
    run({
        {"#Len(mixed)#", "7", "15"},
        {"#Len(latin)#", "4", "4"},
        {"#Len(\"\")#", "0", "0"},
        {"#Left(mixed, 3)#", "Zo\xc3\xab", "Zo\xc3"},
        {"#Left(mixed, 5)#", "Zo\xc3\xab \xe6\x97\xa5", "Zo\xc3\xab "},
        {"#Left(mixed, 99)#", "Zo\xc3\xab \xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80",
         "Zo\xc3\xab \xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80"},
        {"#Right(mixed, 1)#", "\xf0\x9f\x98\x80", "\x80"},
        {"#Right(mixed, 3)#", "\xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80", "\x9f\x98\x80"},
        {"#Right(mixed, 8)#", "", "\xa5\xe6\x9c\xac\xf0\x9f\x98\x80"},
        {"#Mid(mixed, 3, 3)#", "\xc3\xab \xe6\x97\xa5", "\xc3\xab "},
        {"#Mid(mixed, 5)#", "\xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80", " \xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80"},
        {"#Mid(mixed, 8)#", "", "\xa5\xe6\x9c\xac\xf0\x9f\x98\x80"},
        {"#Mid(latin, 4, 1)#", "\xe9", "\xe9"},
        {"#Right(latin, 2)#", "f\xe9", "f\xe9"},
    });
}

TEST(Utf8StringFunctions, PositionsOfSearchTexts) {
    run({
        {"#InStr(mixed, \"\xe6\x9c\xac\")#", "6", "9"},
        {"#InStr(mixed, \"o\")#", "2", "2"},
        {"#InStr(5, mixed, \"\xe6\x9c\xac\")#", "6", "9"},
        {"#InStr(7, mixed, \"\xe6\x9c\xac\")#", "0", "9"},
        {"#InStr(city, \"\xc3\x96\", 1)#", "2", "0"},
        {"#InStr(city, \"\xc3\x96\")#", "0", "0"},
        {"#InStr(city, \"L\", 1)#", "3", "4"},
        // A lone byte never matches inside a character.
        {"#InStr(mixed, lone)#", "0", "4"},
        {"#StrReplace(city, \"\xc3\x96\", \"oe\", 1)#", "Koeln", "K\xc3\xb6ln"},
        {"#StrReplace(mixed, \"\xe6\x97\xa5\", \"x\")#", "Zo\xc3\xab x\xe6\x9c\xac\xf0\x9f\x98\x80",
         "Zo\xc3\xab x\xe6\x9c\xac\xf0\x9f\x98\x80"},
    });
}

TEST(Utf8StringFunctions, CodesAndCase) {
    run({
        {"#Asc(mixed)#", "90", "90"},
        {"#Asc(Mid(mixed, 3))#", "235", "-61"},
        {"#Asc(Right(mixed, 1))#", "128512", "-128"},
        {"#Asc(Right(latin, 1))#", "233", "-23"},
        {"#Chr(235)#", "\xc3\xab", "\xeb"},
        {"#Chr(26085)#", "\xe6\x97\xa5", "\xe5"},
        {"#Chr(128512)#", "\xf0\x9f\x98\x80", ""},
        {"#Chr(55296)#", "", ""},
        {"#Chr(-1)#", "", "\xff"},
        {"#Asc(Chr(8364))#", "8364", "-84"},
        {"#UCase(city)#", "K\xc3\x96LN", "K\xc3\xb6LN"},
        {"#LCase(upper)#",
         "\xc3\xa4\xc3\xb6\xc3\xbc \xc5\x82\xc3\xb3\x64\xc5\xba \xcf\x83\xce\xbf\xcf\x86\xce\xb9\xce\xb1 "
         "\xd0\xbc\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0 \xc3\x9f",
         "\xc3\x84\xc3\x96\xc3\x9c \xc5\x81\xc3\x93\x64\xc5\xb9 \xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91 "
         "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 \xc3\x9f"},
        {"#UCase(LCase(upper))#",
         "\xc3\x84\xc3\x96\xc3\x9c \xc5\x81\xc3\x93\x44\xc5\xb9 \xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91 "
         "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 \xc3\x9f",
         "\xc3\x84\xc3\x96\xc3\x9c \xc5\x81\xc3\x93\x44\xc5\xb9 \xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91 "
         "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 \xc3\x9f"},
        {"#UCase(\"\xc3\xbf\xcf\x82\xc5\x89\")#", "\xc5\xb8\xce\xa3\xc5\x89", "\xc3\xbf\xcf\x82\xc5\x89"},
        {"#UCase(latin)#", "CAF\xe9", "CAF\xe9"},
    });
}

}  // namespace
}  // namespace kavr
