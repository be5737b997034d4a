// Every fixed cut stops before a character that would not fit whole on a
// utf-8 site, and at the byte on a site of a single-byte character set.
#include <gtest/gtest.h>

#include <functional>

#include "cgi/decode.h"
#include "driver/core/charset.h"
#include "expr/lexer.h"
#include "expr/resolve.h"
#include "expr/variables.h"
#include "tests/unit/charset_scope.h"
#include "tests/unit/expr_test_env.h"

namespace kavr {
namespace {

const std::string kNichi = "\xe6\x97\xa5";

// n bytes of words of 99 letters, so that no lexer token grows long.
std::string words(size_t n) {
    std::string s;
    while (s.size() < n) s += (s.size() % 100 == 99) ? ' ' : 'a';
    return s;
}

struct CutCase {
    const char* what;
    size_t cap;        // bytes kept at most
    bool spaced;       // the text before the character is words, not one run
    std::function<std::string(test::ExprEnv&, const std::string&)> run;
};

TEST(Utf8Cuts, EveryFixedCutStopsBeforeASplitCharacter) {
    const CutCase cases[] = {
        {"attribute value", 1023, true,
         [](test::ExprEnv& env, const std::string& in) {
             std::string t = in;
             EXPECT_EQ(ExpandAttribute(kExpandText, t, 1024, env.request), 1);
             return t;
         }},
        {"expanded attribute", 16383, true,
         [](test::ExprEnv& env, const std::string& in) {
             std::string t = in;
             EXPECT_EQ(ExpandAttribute(kExpandText, t, kExpandSize, env.request), 1);
             return t;
         }},
        {"reference value inside an expanded attribute", 1023, false,
         [](test::ExprEnv& env, const std::string& in) {
             env.set("v", in.c_str());
             std::string t = "#v#";
             EXPECT_EQ(ExpandAttribute(kExpandText, t, 1024, env.request), 1);
             return t;
         }},
        {"expression value", 8191, false,
         [](test::ExprEnv& env, const std::string& in) {
             env.set("a", in.substr(0, 4000).c_str());
             env.set("b", in.substr(4000).c_str());
             return env.eval("#StrCat(a, b)#");
         }},
        {"scoped value", 1023, false,
         [](test::ExprEnv& env, const std::string& in) {
             env.set("v", in.c_str());
             return env.eval("#variables.v#");
         }},
        {"variable value", 1023, false,
         [](test::ExprEnv& env, const std::string& in) {
             env.set("v", in.c_str());
             std::string out;
             EXPECT_EQ(env.request.vars.get("v", 0, out, 1024), 1);
             return out;
         }},
        {"function result", 99, false,
         [](test::ExprEnv& env, const std::string& in) {
             std::string t = "#Left(v, 500)#";
             env.set("v", in.c_str());
             EXPECT_EQ(ResolveReference(kTokReference, t, 100, env.request), 1);
             return t;
         }},
        {"cookie value", 1023, false,
         [](test::ExprEnv&, const std::string& in) {
             RequestTables t;
             ParseCookies(t, "n=" + in);
             return t.cookies.empty() ? std::string("none") : t.cookies[0].value;
         }},
        {"lexer token", Lexer::kMaxToken, false,
         [](test::ExprEnv&, const std::string& in) {
             Lexer lex(in, kRefHashIsChar);
             std::string tok;
             lex.NextToken(tok);
             return tok;
         }},
        {"plain text word", Lexer::kMaxToken, false,
         [](test::ExprEnv&, const std::string& in) {
             Lexer lex(in + " <x>", kRefKeepDouble);
             std::string text;
             lex.ReadPlainText(text);
             return text;
         }},
        {"configuration value", 1023, false,
         [](test::ExprEnv& env, const std::string& in) {
             // The key is read before the values it decides the cut of.
             env.site.load_config(std::string("[Main]\nCharset=") + (Utf8Site() ? "utf-8" : "latin1") +
                                  "\n[Admin]\nAdminEmail=" + in + "\n");
             return g_config.admin_email.value_or("none");
         }},
    };
    for (const CutCase& c : cases) {
        // The cap falls after the first byte of a three-byte character.
        const std::string before = c.spaced ? words(c.cap - 1) : std::string(c.cap - 1, 'a');
        const std::string input = before + kNichi + "z";
        for (bool utf8 : {true, false}) {
            test::ScopedCharset charset(utf8);
            test::ExprEnv env;
            std::string got = c.run(env, input);
            std::string want = utf8 ? before : before + kNichi.substr(0, 1);
            EXPECT_EQ(got.size(), want.size()) << c.what << (utf8 ? " (utf-8)" : " (bytes)");
            EXPECT_TRUE(got == want) << c.what << (utf8 ? " (utf-8)" : " (bytes)");
        }
    }
}

TEST(Utf8Cuts, CappedTextSeesCharactersAcrossPieces) {
    test::ScopedCharset utf8(true);
    CappedText a(5);
    a.append("aaaa");
    a.append(kNichi);
    a.append("b");  // nothing more once the cap was reached
    EXPECT_TRUE(a.full());
    EXPECT_EQ(a.take(), "aaaa");
    CappedText b(5);
    b.append("aaa\xe6");
    b.append("\x97\xa5z");
    EXPECT_EQ(b.take(), "aaa");
    CappedText c(6);
    c.append("aaa");
    c.append(kNichi);
    EXPECT_FALSE(c.full());
    EXPECT_EQ(c.take(), "aaa" + kNichi);

    std::string t = "ab\xf0\x9f\x98";
    DropIncompleteTail(t);
    EXPECT_EQ(t, "ab");
    t = "ab" + kNichi;
    DropIncompleteTail(t);
    EXPECT_EQ(t, "ab" + kNichi);
    t = "ab\x80";  // a stray continuation byte is no start of a character
    DropIncompleteTail(t);
    EXPECT_EQ(t, "ab\x80");
}

}  // namespace
}  // namespace kavr
