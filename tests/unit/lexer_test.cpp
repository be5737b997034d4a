#include "expr/lexer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "platform/file.h"

namespace kavr {
namespace {

using Tokens = std::vector<std::pair<int, std::string>>;

Tokens lex_all(std::string_view text, signed char mode) {
    Lexer lex(text, mode);
    Tokens out;
    std::string tok;
    for (int cls; (cls = lex.NextToken(tok)) != kTokEnd;) out.emplace_back(cls, tok);
    return out;
}

struct LexCase {
    const char* text;
    signed char mode;
    Tokens expected;
};

TEST(Lexer, TokenClasses) {
    const LexCase cases[] = {
        {"abc 12 12.5 .5 12. 12abc", -1,
         {{116, "abc"}, {118, "12"}, {118, "12.5"}, {118, ".5"}, {118, "12."}, {-1, "12abc"}}},
        {"select From WHERE and OR not", -1,
         {{100, "select"}, {102, "From"}, {104, "WHERE"}, {106, "and"}, {107, "OR"}, {108, "not"}}},
        {"&& || != !=$ !? ! =$ = :: : & |", -1,
         {{106, "&&"}, {107, "||"}, {110, "!="}, {110, "!=$"}, {114, "!?"}, {126, "!"},
          {114, "=$"}, {114, "="}, {112, "::"}, {126, ":"}, {126, "&"}, {126, "|"}}},
        {"\"'(),;<>?[\\]{}", -1,
         {{126, "\""}, {126, "'"}, {126, "("}, {126, ")"}, {126, ","}, {126, ";"}, {126, "<"},
          {126, ">"}, {126, "?"}, {126, "["}, {126, "\\"}, {126, "]"}, {126, "{"}, {126, "}"}}},
        {"%*/^+-", -1, {{114, "%"}, {114, "*"}, {114, "/"}, {114, "^"}, {130, "+"}, {128, "-"}}},
        {"a.b 1.2.3 12.5abc", -1,
         {{116, "a"}, {126, "."}, {116, "b"}, {118, "1.2"}, {118, ".3"}, {118, "12.5"}, {116, "abc"}}},
        {"x_1 _x $y a$b", -1, {{116, "x_1"}, {-1, "_x"}, {-1, "$y"}, {-1, "a$b"}}},
        {"a<kavset>b", -1, {{116, "a"}, {126, "<"}, {116, "kavset"}, {126, ">"}, {116, "b"}}},
        {"x=5,y", -1, {{116, "x"}, {114, "="}, {118, "5"}, {126, ","}, {116, "y"}}},
        // "#" in the three reference modes
        {"#a# ##", -1, {{126, "#"}, {116, "a"}, {126, "#"}, {126, "#"}, {126, "#"}}},
        {"#a# ## #b + 1#", 0, {{132, "#a#"}, {126, "##"}, {132, "#b + 1#"}}},
        {"#a# ##", 1, {{132, "#a#"}, {126, "#"}}},
        // "##" closes a reference only after a complete expression
        {"#a##b#", 0, {{132, "#a#"}, {132, "#b#"}}},
        {"#a+##b#", 0, {{132, "#a+##b#"}}},
        {"#a+##b#", 1, {{132, "#a+#b#"}}},
        {"x #abc", 0, {{116, "x"}}},  // input ending inside a reference
    };
    for (const LexCase& c : cases) EXPECT_EQ(lex_all(c.text, c.mode), c.expected) << c.text;
}

TEST(Lexer, WhitespaceAndTokenLimits) {
    Lexer lex(std::string(300, ' ') + "a \t\r\nb", -1);
    std::string tok;
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    EXPECT_EQ(lex.whitespace().size(), 199u);
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    EXPECT_EQ(lex.whitespace(), " \t\r\n");
    EXPECT_EQ(lex.NextToken(tok), kTokEnd);

    Lexer longword(std::string(2000, 'a') + " b", -1);
    ASSERT_EQ(longword.NextToken(tok), kTokIdent);
    EXPECT_EQ(tok, std::string(1023, 'a'));
    ASSERT_EQ(longword.NextToken(tok), kTokIdent);
    EXPECT_EQ(tok, "b");

    Lexer longref("#" + std::string(3000, 'x') + "# y", 0);
    ASSERT_EQ(longref.NextToken(tok), kTokReference);
    EXPECT_EQ(tok.size(), 1023u);
    ASSERT_EQ(longref.NextToken(tok), kTokIdent);
    EXPECT_EQ(tok, "y");
}

struct ItemCase {
    const char* text;
    bool keep_quotes;
    bool keep_doubled;
    int cls;
    const char* item;
};

TEST(Lexer, ReadItemRebuildsQuotedStrings) {
    const ItemCase cases[] = {
        {"\"say \"\"hi\"\"\"", false, false, 124, "say \"hi\""},
        {"\"say \"\"hi\"\"\"", true, false, 124, "\"say \"hi\"\""},
        {"\"say \"\"hi\"\"\"", false, true, 124, "say \"\"hi\"\""},
        {"\"  a  (b) \"", false, false, 124, "  a  (b) "},
        {"\"x #f(\"\"a\"\")# y\"", false, false, 124, "x #f(\"a\")# y"},
        {"\"x #f(\"\"a\"\")# y\"", false, true, 124, "x #f(\"\"a\"\")# y"},
        {"\"\"", true, false, 124, "\"\""},
        {"\"abc", false, false, 0, ""},
        {"word", true, false, 116, "word"},
    };
    for (const ItemCase& c : cases) {
        Lexer lex(c.text, 0);
        lex.set_keep_doubled_quotes(c.keep_doubled);
        std::string item;
        int cls = lex.ReadItem(c.keep_quotes, item);
        EXPECT_EQ(cls, c.cls) << c.text;
        if (cls != kTokEnd) {
            EXPECT_EQ(item, c.item) << c.text;
        }
    }
}

TEST(Lexer, ReadItemLeavesTheFollowingTokenInPlace) {
    Lexer lex("  \"a\"  x\"b\" \"c\"\"\"", 0);
    std::string item;
    ASSERT_EQ(lex.ReadItem(false, item), kTokString);
    EXPECT_EQ(item, "a");
    EXPECT_EQ(lex.whitespace(), "  ");
    ASSERT_EQ(lex.ReadItem(false, item), kTokIdent);
    EXPECT_EQ(item, "x");
    EXPECT_EQ(lex.whitespace(), "  ");
    ASSERT_EQ(lex.ReadItem(false, item), kTokString);
    EXPECT_EQ(item, "b");
    ASSERT_EQ(lex.ReadItem(false, item), kTokString);
    EXPECT_EQ(item, "c\"");
    EXPECT_EQ(lex.whitespace(), " ");
    EXPECT_EQ(lex.ReadItem(false, item), kTokEnd);
}

TEST(Lexer, ReadSignedItemJoinsTheSign) {
    const struct {
        const char* text;
        int cls;
        const char* item;
    } cases[] = {{"- 5", 118, "-5"}, {"+abc", 116, "+abc"}, {"-\"x\"", 124, "-\"x\""}, {"-", 128, "-"},
                 {"7", 118, "7"}};
    for (const auto& c : cases) {
        Lexer lex(c.text, 0);
        std::string item;
        EXPECT_EQ(lex.ReadSignedItem(true, item), c.cls) << c.text;
        EXPECT_EQ(item, c.item) << c.text;
    }
}

TEST(Lexer, PushBackAndPositions) {
    Lexer lex("ab  ##  cd\nef", 1);
    std::string tok;
    size_t start = lex.position();
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    lex.PushBack(tok);
    EXPECT_EQ(lex.position(), start);
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    ASSERT_EQ(lex.NextToken(tok), kTokPunct);
    EXPECT_EQ(tok, "#");  // "##" collapsed, yet pushing it back restores both characters
    lex.PushBack(lex.whitespace() + tok);
    ASSERT_EQ(lex.NextToken(tok), kTokPunct);
    EXPECT_EQ(lex.whitespace(), "  ");
    size_t saved = lex.position();
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    EXPECT_EQ(tok, "cd");
    EXPECT_EQ(lex.line(), 0);
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    EXPECT_EQ(lex.line(), 1);
    lex.set_position(saved);
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    EXPECT_EQ(tok, "cd");
    lex.PushBack("zz");  // any other text steps the position back by its length
    EXPECT_EQ(lex.position(), saved + 2);
}

TEST(Lexer, ReadsFromAFile) {
    char path[] = "/tmp/kavr_lexer_testXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE* f = fdopen(fd, "w");
    fputs("<kavset x = \"a \"\"b\"\"\">\n#name# 12.5", f);
    fclose(f);

    platform::File file(path, "r");
    ASSERT_TRUE(file.is_open());
    Lexer lex(file, 0);
    std::string tok;
    ASSERT_EQ(lex.NextToken(tok), kTokPunct);
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    lex.PushBack(tok);
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    EXPECT_EQ(tok, "kavset");
    ASSERT_EQ(lex.NextToken(tok), kTokIdent);
    ASSERT_EQ(lex.NextToken(tok), kTokOperator);
    ASSERT_EQ(lex.ReadItem(false, tok), kTokString);
    EXPECT_EQ(tok, "a \"b\"");
    ASSERT_EQ(lex.NextToken(tok), kTokPunct);
    EXPECT_EQ(tok, ">");
    ASSERT_EQ(lex.NextToken(tok), kTokReference);
    EXPECT_EQ(tok, "#name#");
    EXPECT_EQ(lex.line(), 1);
    ASSERT_EQ(lex.NextToken(tok), kTokNumber);
    EXPECT_EQ(tok, "12.5");
    EXPECT_EQ(lex.NextToken(tok), kTokEnd);
    remove(path);
}

TEST(Lexer, ClassifyWord) {
    EXPECT_EQ(ClassifyWord("-12"), kTokNumber);
    EXPECT_EQ(ClassifyWord("+"), kTokOther);
    EXPECT_EQ(ClassifyWord("a1_"), kTokIdent);
    EXPECT_EQ(ClassifyWord("Where"), kTokWhere);
    EXPECT_EQ(ClassifyWord(""), kTokOther);
}

}  // namespace
}  // namespace kavr

namespace kavr {
namespace {

// Plain text read in one piece must be exactly what the tokens and their
// white space give, limits included, and leave the lexer at the same "<".
std::string plain_by_tokens(Lexer& lex) {
    std::string out, tok;
    for (;;) {
        int cls = lex.NextToken(tok);
        if (cls == kTokEnd) {
            lex.PushBack(lex.whitespace());
            return out;
        }
        if (tok == "<") {
            lex.PushBack(lex.whitespace() + tok);
            return out;
        }
        out += lex.whitespace() + tok;
    }
}

TEST(LexerPlainText, AgreesWithTheTokensOnRandomTexts) {
    const std::string pieces[] = {" ", "\n", "\t", "a", "Z9", "1", "12", ".", "5", "#", "&", "&&", "!", "!=$",
                                  "=", "$", "=$", "!?", "|", ":", "\"", "<", "<p>", "x.y", "_", "\x01", std::string(250, ' '),
                                  std::string(1100, 'w'), std::string(1100, '7'), "." + std::string(1100, '3')};
    unsigned seed = 12345;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        int n = static_cast<int>((seed = seed * 1103515245 + 12345) >> 16) % 12;
        for (int i = 0; i < n; ++i) {
            seed = seed * 1103515245 + 12345;
            const std::string& p = pieces[(seed >> 16) % (sizeof pieces / sizeof pieces[0])];
            text += p;
        }
        Lexer a(text, kRefHashIsChar), b(text, kRefHashIsChar);
        // Read in pieces from "<" to "<", with a limit on half of the rounds.
        if (round % 2) {
            a.set_limit(text.size() / 2);
            b.set_limit(text.size() / 2);
        }
        for (int step = 0; step < 20; ++step) {
            std::string expected = plain_by_tokens(a), got, ta, tb;
            b.ReadPlainText(got);
            ASSERT_EQ(got, expected) << "text: " << text.substr(0, 80);
            int ca = a.NextToken(ta), cb = b.NextToken(tb);
            ASSERT_EQ(ca, cb);
            ASSERT_EQ(ta, tb);
            ASSERT_EQ(a.whitespace(), b.whitespace());
            if (ca == kTokEnd) break;
        }
    }
}

}  // namespace
}  // namespace kavr
