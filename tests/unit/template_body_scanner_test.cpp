#include "template/body_scanner.h"

#include <gtest/gtest.h>

#include "expr/lexer.h"

namespace kavr {
namespace {

std::string piece(const Lexer& lexer, size_t begin, size_t end) {
    return lexer.text().substr(begin, end - begin);
}

// The lexer positioned just after the opening tag's ">" (the first ">").
struct Scan {
    explicit Scan(const std::string& text) : lexer(text, kRefHashIsChar) {
        lexer.set_position(text.find('>') + 1);
    }
    std::string rest() const { return lexer.text().substr(body.after); }
    Lexer lexer;
    BodyRange body;
};

TEST(TemplateBodyScanner, NestedBodiesOfTheSameNameAreCounted) {
    Scan s("<kavwhile 1>a<kavwhile 2>b</kavwhile>c< / KAVWHILE >after");
    ASSERT_EQ(ScanBody(s.lexer, "kavwhile", s.body), 1);
    EXPECT_EQ(piece(s.lexer, s.body.begin, s.body.end), "a<kavwhile 2>b</kavwhile>c");
    EXPECT_EQ(s.rest(), "after");
    EXPECT_EQ(s.lexer.position(), s.body.after);

    // Other constructs are not counted: their closing tags are text here.
    Scan t("<kavfor i=1 to 2>x</kavwhile>y</kavfor>z");
    ASSERT_EQ(ScanBody(t.lexer, "kavfor", t.body), 1);
    EXPECT_EQ(piece(t.lexer, t.body.begin, t.body.end), "x</kavwhile>y");

    Scan u("<kavwhile 1>no end <kavwhile 2></kavwhile>");
    EXPECT_EQ(ScanBody(u.lexer, "kavwhile", u.body), 0);
}

TEST(TemplateBodyScanner, ThenPartStopsAtElseOfItsOwnLevel) {
    Scan s("<kavif 1>yes<kavif 0>in<kavelse>inner</kavif> <kavelseif 2>no<kavelse>x</kavif>after");
    ASSERT_EQ(ScanIfThen(s.lexer, s.body), 1);
    EXPECT_EQ(piece(s.lexer, s.body.begin, s.body.end), "yes<kavif 0>in<kavelse>inner</kavif> ");
    EXPECT_EQ(s.rest(), "after");

    Scan t("<kavif 1>open <kavif 2> only</kavif>");
    EXPECT_EQ(ScanIfThen(t.lexer, t.body), 0);
}

TEST(TemplateBodyScanner, ElsePartFindsElseIfOrElse) {
    Scan s("<kavif 0>a<kavif 1>b<kavelse>c</kavif><kavelseif 3>d</kavif>");
    ElseKind kind;
    ASSERT_EQ(ScanIfElse(s.lexer, kind, s.body), 1);
    EXPECT_EQ(kind, kElseIf);
    EXPECT_EQ(s.lexer.text().substr(s.lexer.position()), " 3>d</kavif>");

    Scan t("<kavif 0>a<kavelse>b<kavelse>c</kavif>after");
    ASSERT_EQ(ScanIfElse(t.lexer, kind, t.body), 1);
    EXPECT_EQ(kind, kElse);
    EXPECT_EQ(piece(t.lexer, t.body.begin, t.body.end), "b<kavelse>c");
    EXPECT_EQ(t.rest(), "after");

    Scan u("<kavif 0>only then</kavif>after");
    ASSERT_EQ(ScanIfElse(u.lexer, kind, u.body), 1);
    EXPECT_EQ(kind, kNoElse);
    EXPECT_EQ(u.body.begin, u.body.end);
    EXPECT_EQ(u.rest(), "after");
}

TEST(TemplateBodyScanner, ElsePartThatRunsToTheEndOfTheText) {
    ElseKind kind;
    Scan s("<kavif 0>a<kavelse>to the end");
    ASSERT_EQ(ScanIfElse(s.lexer, kind, s.body), 1);
    EXPECT_EQ(piece(s.lexer, s.body.begin, s.body.end), "to the end");

    Scan t("<kavif 0>a<kavelse>x<kavif 1>open");  // ends inside a nested kavif
    EXPECT_EQ(ScanIfElse(t.lexer, kind, t.body), 0);
    Scan u("<kavif 0>no else and no end");
    EXPECT_EQ(ScanIfElse(u.lexer, kind, u.body), 0);
}

TEST(TemplateBodyScanner, LexerLimitEndsTheScan) {
    Scan s("<kavwhile 1>a</kavwhile>");
    s.lexer.set_limit(s.lexer.text().find("</"));
    EXPECT_EQ(ScanBody(s.lexer, "kavwhile", s.body), 0);
}

}  // namespace
}  // namespace kavr
